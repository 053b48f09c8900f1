#include "fonteditor/CCharNavigator.h"

#include "app/IMessageBox.h"
#include "fonteditor/CVerticalCharTable.h"
#include "strokes/CodePage932.h"

CCharNavigator::CCharNavigator(ICharNavigationHost& host, IMessageBox& messages)
    : m_host(host), m_messages(messages)
{
}

std::optional<int> CCharNavigator::PlainStep(int k, Direction direction)
{
    if (direction == Direction::Next) {
        ++k;
        if (k == 0xFF)
            k = 0x8140;
        else if (k == 0x9FFF)
            k = 0xE040;
        else if (k > 0xEEEC)
            return std::nullopt;
        return k;
    }
    if (k == 0x8140)
        k = 0xFF;
    else if (k == 0xE040)
        k = 0x9FFF;
    // In 16 bits, so that the empty character (0) walks down from the top.
    k = (k - 1) & 0xFFFF;
    if (k < 0x20)
        return std::nullopt;
    return k;
}

QString CCharNavigator::EditorErrorText(const GlyphSelection& failure)
{
    if (failure.status == GlyphSelection::Status::DispatchError)
        return QString::fromUtf8("エラー:%1\n%2").arg(failure.code).arg(failure.description);
    return QString::fromUtf8("エラーが発生しました");
}

// With the box on the walk goes through the vertical-writing table and says
// so at either end; otherwise it walks the code ranges and stops silently.
std::optional<int> CCharNavigator::Candidate(int k, Direction direction, bool vertical)
{
    if (!vertical)
        return PlainStep(k, direction);
    const auto code = static_cast<quint16>(k);
    const quint16 next = direction == Direction::Next ? NextVerticalChar(code) : PrevVerticalChar(code);
    if (next == 0) {
        m_messages.ShowMessage(QString::fromUtf8(direction == Direction::Next
                                                     ? "この後に縦書き専用文字はありません"
                                                     : "この前に縦書き専用文字はありません"));
        return std::nullopt;
    }
    return next;
}

// Only the user's own moves ask; a move the program makes (after Execute, or
// setting the field back after a No) never does.
bool CCharNavigator::ConfirmDiscard()
{
    return m_bMoving || m_host.ConfirmDiscardDrawing();
}

// A move needs the user's leave to drop the drawing and a font in the
// editor; false when either is missing (the messages have been shown).
bool CCharNavigator::Prepare(bool ask)
{
    if (m_host.IsAutoCreateRunning())
        return false;
    if (ask && !ConfirmDiscard())
        return false;
    if (!m_host.HasEditor() && !m_host.ConnectEditor())
        return false;
    return m_host.OpenFontInEditor();
}

void CCharNavigator::Step(Direction direction, bool ask)
{
    if (!Prepare(ask))
        return;
    int k = CharCode(m_host.CurrentChar());
    for (;;) {
        const bool vertical = m_host.IsVerticalChecked();
        const std::optional<int> candidate = Candidate(k, direction, vertical);
        if (!candidate)
            return;
        k = *candidate;
        const GlyphSelection result = m_host.SelectGlyph(static_cast<quint16>(k), vertical);
        if (result.status == GlyphSelection::Status::Selected)
            break;
        if (result.status != GlyphSelection::Status::Refused) {
            m_host.ReportEditorError(EditorErrorText(result));
            return;
        }
    }
    m_host.ClearCanvasAndHistory();
    MoveTo(static_cast<quint16>(k));
}

// The field set to the character the program moved to, without a question.
void CCharNavigator::MoveTo(quint16 code)
{
    m_bMoving = true;
    m_host.SetCharText(CharFromCode(code));
    m_bMoving = false;
    m_host.EnableVertical(IsVerticalChar(code));
}

// A plan that cannot give characters is said before the user is asked to
// drop a drawing for a move that could not happen.
void CCharNavigator::StepToMissing(bool ask)
{
    if (m_host.IsAutoCreateRunning())
        return;
    if (const QString why = m_host.PlanUnavailable(); !why.isEmpty()) {
        m_messages.ShowMessage(why);
        return;
    }
    if (!Prepare(ask))
        return;
    const PlannedChars planned = m_host.MissingChars();
    for (const PlannedChar& target : planned.chars) {
        const GlyphSelection result = m_host.SelectGlyph(target.code, target.vertical);
        if (result.status == GlyphSelection::Status::Refused)
            continue;
        if (result.status != GlyphSelection::Status::Selected) {
            m_host.ReportEditorError(EditorErrorText(result));
            return;
        }
        // The box is set first, so that following the field selects the
        // form that was asked for.
        const bool vertical = target.vertical && IsVerticalChar(target.code);
        m_host.ClearCanvasAndHistory();
        m_host.SetVerticalCheck(vertical);
        MoveTo(target.code);
        return;
    }
    m_messages.ShowMessage(planned.chars.isEmpty()
                               ? planned.whyNone
                               : QString::fromUtf8("まだ無い文字を、フォントエディタがどれも受け付けませんでした。"));
}

// During a run the field and the box follow the stroke files, not the user.
bool CCharNavigator::FollowsUser() const
{
    return !m_host.IsAutoCreating() && !m_host.IsAutoCreateRunning();
}

void CCharNavigator::OnCharChanged()
{
    if (!FollowsUser() || m_bRestoring)
        return;
    // No keeps the drawing and its character: the field shows it again.
    if (!ConfirmDiscard()) {
        m_bRestoring = true;
        m_host.SetCharText(m_host.CurrentChar());
        m_bRestoring = false;
        return;
    }
    // The field holds at most two bytes, so two characters are two
    // single-byte ones and only the first is taken.
    const QByteArray text = m_host.GetCharText();
    m_host.SetCurrentChar(Cp932CharCount(text) < 2 ? text : text.left(1));
    m_host.Repaint();
    m_host.ClearCanvasAndHistory();
    m_host.EnableVertical(IsVerticalChar(CharCode(m_host.CurrentChar())));
    SelectIgnoringFailure();
}

void CCharNavigator::OnVerticalClicked()
{
    if (!FollowsUser() || m_bRestoring)
        return;
    if (!ConfirmDiscard()) {
        m_bRestoring = true;
        m_host.SetVerticalCheck(!m_host.IsVerticalChecked());
        m_bRestoring = false;
        return;
    }
    m_host.Repaint();
    m_host.ClearCanvasAndHistory();
    SelectIgnoringFailure();
}

// Following the field or the box never shows an editor failure.
void CCharNavigator::SelectIgnoringFailure()
{
    if (!m_host.HasEditor() || !m_host.FollowFont())
        return;
    m_host.SelectGlyph(CharCode(m_host.CurrentChar()), m_host.IsVerticalChecked());
}
