#include "app/CQuilleryController.h"

#include "app/CQuilleryDoc.h"
#include "app/CViewSettings.h"
#include "app/IFrameFields.h"
#include "app/IMessageBox.h"
#include "app/IViewServices.h"
#include "canvas/CDrawingModel.h"
#include "chartable/CCharTableSettings.h"
#include "chartable/CEditorCharTableSource.h"
#include "chartable/CGlyphCodes.h"
#include "fonteditor/CAutomationFailure.h"
#include "fonteditor/CDispatchException.h"
#include "fonteditor/CFontPath.h"
#include "fonteditor/WorkFolder.h"
#include "res/CommandIds.h"
#include "strokes/CodePage932.h"

#include <QFile>

CQuilleryController::CQuilleryController(const Parts& parts)
    : m_drawing(parts.drawing)
    , m_settings(parts.settings)
    , m_frame(parts.frame)
    , m_messages(parts.messages)
    , m_view(parts.view)
    , m_session(parts.automation, parts.messages, *this)
    , m_fontInfo(m_session, parts.messages)
    , m_navigator(*this, parts.messages)
    , m_strokeFiles(*this, parts.messages)
    , m_autoCreator(*this, parts.progress, parts.messages, CAutoCreator::DefaultErrorLogPath())
{
    m_session.SetBringToFront([this] { m_view.BringToFront(); });
}

void CQuilleryController::OnExecute()
{
    const GlyphStepResult result = WriteGlyph();
    if (result.ok) {
        m_view.ShowStatus(QStringLiteral("%1 を %2 に取り込みました。").arg(CharLabel(), m_session.CurrentFontName()));
        NoteFontInUse();
    } else
        m_view.ShowStatus(QStringLiteral("%1 をフォントに取り込めませんでした。").arg(CharLabel()));
    if (m_settings.m_bWriteStrokeFile) {
        m_strokeFiles.SaveStrokeFile();
        if (m_charWorked)
            m_charWorked(CharCode(CurrentChar()), m_frame.IsVerticalChecked());
    }
    // Without a font the move would only ask for it again and say the same.
    if (m_settings.m_bDoAndNext && !result.fontUnavailable) {
        if (m_settings.m_bNextMissing)
            m_navigator.OnNextMissingAfterExecute();
        else
            m_navigator.OnNextCharAfterExecute();
    }
}

void CQuilleryController::OnCharChanged()
{
    m_navigator.OnCharChanged();
    RefreshGuideFromFile();
}

void CQuilleryController::OnVerticalClicked()
{
    m_navigator.OnVerticalClicked();
    RefreshGuideFromFile();
}

// A run's last news replaces whatever the status bar said before it.
void CQuilleryController::OnAutoCreate()
{
    if (m_autoCreator.AutoCreateFromStrokeFiles()) {
        m_view.ShowStatus(CAutoCreator::StatusText(m_autoCreator.LastOutcome()));
        NoteFontInUse();
    }
}

void CQuilleryController::OnFontFieldChanged()
{
    m_view.ShowStatus(QString());
    RefreshGuideFromFile();
}

bool CQuilleryController::SaveFontAs(const QString& path)
{
    if (!m_session.SaveFontAs(path))
        return false;
    NoteFontInUse();
    return true;
}

// Only a font the editor holds has a file to tell; the listener hears the
// file, or an empty path for a font that has none yet.
void CQuilleryController::NoteFontInUse()
{
    if (!m_fontInUse)
        return;
    CGlyphsmithTypeface& font = m_session.EditorFont();
    if (!font.HasDispatch())
        return;
    try {
        m_fontInUse(font.GetFilePath());
    } catch (const std::exception&) {
    }
}

void CQuilleryController::RefreshGuideFromFile()
{
    if (!m_readFileGuide || HasEditor() || m_autoCreator.IsRunning())
        return;
    m_guide.reset();
    const QString path = CFontPath::Resolve(m_frame.GetFontFilePathText());
    if (!path.isEmpty() && !m_settings.m_strChar.isEmpty())
        m_guide = m_readFileGuide(path, m_settings.m_strChar, m_frame.IsVerticalChecked());
    m_view.Repaint();
}

// "「あ」", or "「ぁ」（縦書き）" for the vertical-writing form.
QString CQuilleryController::CharLabel() const
{
    const QString label = QStringLiteral("「%1」").arg(m_settings.m_strChar);
    return m_frame.IsVerticalChecked() ? label + QStringLiteral("（縦書き）") : label;
}

bool CQuilleryController::ConfirmDiscardDrawing()
{
    if (m_autoCreator.IsRunning() || !m_drawing.HasUnexecutedChanges())
        return true;
    return m_messages.AskYesNo(QStringLiteral("実行していない文字があります。破棄してよろしいですか？"));
}

bool CQuilleryController::OwnsCommand(int id) const
{
    using namespace cmd;
    switch (id) {
    case ID_EXECUTE: case ID_NEXT_CHAR: case ID_PREV_CHAR: case ID_AUTO_CREATE: case ID_FONT_SAVE_AS: case ID_FONT_INFO:
    case ID_FONT_INSTALL: case ID_NEXT_MISSING:
        return true;
    default:
        return false;
    }
}

// While a run replays stroke files, the commands that would move to another
// character or put a glyph into the font wait for it to end.
CommandState CQuilleryController::UpdateCommand(int id)
{
    using namespace cmd;
    const bool idle = !m_autoCreator.IsRunning();
    switch (id) {
    case ID_FONT_SAVE_AS: return {idle && m_session.HasActiveFont(), false};
    case ID_FONT_INFO: return {idle && m_fontInfo.IsAvailable(), false};
    case ID_FONT_INSTALL:
        return {idle && (!m_frame.GetFontFilePathText().isEmpty() || m_session.HasActiveFont()), false};
    default: return {idle, false};
    }
}

// Each row of the canvas goes to the same row of the bitmap: both are stored
// bottom-up, so the picture keeps its orientation.
void CQuilleryController::CopyCanvasToDib()
{
    if (!m_pDoc)
        return;
    const CCanvasBitmap& canvas = m_drawing.Canvas();
    for (int r = canvas.Height() - 1; r >= 0; --r)
        m_pDoc->Dib().SetRowBytes(r, canvas.Row(r), canvas.Width() / 8);
}

// During a run the editor's failures go to the run's log with their code
// and description instead of a box per character.
GlyphStepResult CQuilleryController::WriteGlyph()
{
    const bool batch = m_autoCreator.IsRunning();
    if (batch)
        m_session.BeginQuiet();
    GlyphStepResult result = WriteGlyphStep(batch);
    if (batch) {
        const QStringList errors = m_session.EndQuiet();
        if (!result.ok && !errors.isEmpty())
            result.error = errors.join(u' ');
    }
    if (result.ok) {
        m_drawing.MarkExecuted();
        if (!batch)
            RefreshGuide(static_cast<quint16>(CharCode(CurrentChar())), m_frame.IsVerticalChecked());
    }
    return result;
}

GlyphStepResult CQuilleryController::WriteGlyphStep(bool batch)
{
    const QString failed = QStringLiteral("エラーが発生しました");
    if (!m_pDoc)
        return {false, failed};
    CopyCanvasToDib();
    const QString path = CreateWorkFile();
    if (path.isEmpty()) {
        const QString text = QStringLiteral("作業用の一時ファイルを作成できません。\n%1").arg(GetWorkFolder());
        if (!batch)
            m_messages.ShowMessage(text);
        return {false, text};
    }
    // A bitmap that could not be written whole (a full disk) would reach the
    // editor as an empty or cut file; the message has been shown, so stop here.
    if (!m_pDoc->WriteDibFile(path)) {
        QFile::remove(path);
        return {false, QStringLiteral("%1 を書き込めませんでした").arg(path)};
    }
    const quint16 code = CharCode(CurrentChar());
    const bool vertical = m_frame.IsVerticalChecked();
    const bool ok = m_session.WriteGlyph(path, code, vertical);
    if (m_charWorked)
        m_charWorked(code, vertical);
    return {ok, ok ? QString() : failed, !ok && m_session.IsFontUnavailable()};
}

bool CQuilleryController::QueryClose(bool askUser)
{
    if (m_autoCreator.IsRunning()) {
        m_autoCreator.RequestStop();
        m_bCloseAfterRun = true;
        return false;
    }
    return !askUser || m_session.QueryClose();
}

std::optional<QString> CQuilleryController::ReleaseAtExit(const QString& fieldText)
{
    return m_session.ReleaseAtExit(fieldText);
}

// An editor that went away counts as none: following the field stays quiet
// and next or previous character connect again, as Execute does.
bool CQuilleryController::HasEditor() const
{
    const CGlyphsmithApplication* app = m_session.EditorApp();
    return app && app->IsConnected();
}

bool CQuilleryController::ConnectEditor()
{
    return m_session.EnsureEditor();
}

bool CQuilleryController::OpenFontInEditor()
{
    return m_session.OpenFontInEditor(CFontEditorSession::EFontUse::Reading);
}

bool CQuilleryController::FollowFont()
{
    return m_session.AttachFollowedFont();
}

GlyphSelection CQuilleryController::SelectGlyph(quint16 code, bool vertical)
{
    try {
        m_session.EditorFont().SelectGlyph(0, code, vertical);
        RefreshGuide(code, vertical);
        return {};
    } catch (const CDispatchException& e) {
        const auto status = e.Code() == GlyphSelection::kRefusedCode ? GlyphSelection::Status::Refused
                                                                      : GlyphSelection::Status::DispatchError;
        return {status, e.Code(), e.Description()};
    } catch (const std::exception& e) {
        return {GlyphSelection::Status::Failed, 0, QString::fromStdString(e.what())};
    }
}

void CQuilleryController::ReportEditorError(const QString& text)
{
    m_session.ReportEditorError(text);
}

QByteArray CQuilleryController::GetCharText() const
{
    return StringToCp932(m_frame.GetCharText());
}

void CQuilleryController::SetCharText(const QByteArray& ch)
{
    m_frame.SetCharText(Cp932ToString(ch));
}

bool CQuilleryController::IsVerticalChecked() const
{
    return m_frame.IsVerticalChecked();
}

void CQuilleryController::EnableVertical(bool enable)
{
    m_frame.EnableVertical(enable);
}

QByteArray CQuilleryController::CurrentChar() const
{
    return StringToCp932(m_settings.m_strChar);
}

void CQuilleryController::SetCurrentChar(const QByteArray& ch)
{
    m_settings.m_strChar = Cp932ToString(ch);
}

bool CQuilleryController::IsAutoCreating() const
{
    return m_autoCreator.IsAutoCreating();
}

bool CQuilleryController::IsAutoCreateRunning() const
{
    return m_autoCreator.IsRunning();
}

void CQuilleryController::Repaint()
{
    m_view.Repaint();
}

// An editor without the outline members simply gives no guide.
void CQuilleryController::RefreshGuide(quint16 code, bool vertical)
{
    m_guide.reset();
    CGlyphsmithTypeface& font = m_session.EditorFont();
    if (font.HasDispatch() && !font.Lacks(CGlyphsmithTypeface::DISPID_GlyphOutline)
        && !font.Lacks(CGlyphsmithTypeface::DISPID_Metrics)) {
        try {
            const QString metrics = font.GetMetrics();
            m_guide = CGlyphGuide::FromEditor(metrics, font.GetGlyphOutline(code, vertical));
        } catch (const std::exception&) {
        }
    }
    m_view.Repaint();
}

EditorRunNotes CQuilleryController::EndBatchRun()
{
    m_session.SetBatchMode(false);
    CFontEditorSession::SBatchNotes notes = m_session.TakeBatchNotes();
    return {notes.lines, notes.bGlyphsLost};
}

bool CQuilleryController::PrepareFont()
{
    return m_session.EnsureEditor() && m_session.OpenFontInEditor();
}

void CQuilleryController::ClearCanvasAndHistory()
{
    m_guide.reset();
    m_drawing.ClearCanvas();
    if (m_pDoc)
        m_pDoc->ClearDib();
    m_drawing.ResetHistory();
}

// The editor is asked afresh which glyphs the font has, so that the
// character just executed counts as done.
QString CQuilleryController::PlanUnavailable()
{
    return m_plan.UnavailableText(m_plan.Set());
}

PlannedChars CQuilleryController::MissingChars()
{
    const ECharSet set = m_plan.Set();
    const CSourceAnswer answer = CEditorCharTableSource::Answer([this] { return m_session.EditorFont().GetGlyphCodes(); });
    if (answer.status == CSourceAnswer::EStatus::Lacking)
        return {{}, QStringLiteral("このGlyphsmithにはフォントにある文字を調べる機能がないため、次の未作成文字を探せません。")};
    if (answer.status != CSourceAnswer::EStatus::Ok)
        return {{}, answer.text};
    const std::optional<QSet<quint32>> glyphs = CGlyphCodes::Parse(answer.text);
    if (!glyphs)
        return {{}, QStringLiteral("Glyphsmithの答えが読み取れないため、次の未作成文字を探せません。")};
    const CCharCell current {CCharSets::CanonicalCode(CharCode(CurrentChar())), m_frame.IsVerticalChecked()};
    PlannedChars planned;
    for (const CCharCell& cell : m_plan.MissingAfter(set, current, *glyphs))
        planned.chars.append({cell.code, cell.vertical});
    if (planned.chars.isEmpty())
        planned.whyNone = m_plan.NothingMissingText(set, current, *glyphs);
    return planned;
}

QString CQuilleryController::StrokeFolder() const
{
    return m_settings.m_strStrkFolderPath;
}

void CQuilleryController::SetVerticalCheck(bool checked)
{
    m_frame.SetVerticalCheck(checked);
}

int CQuilleryController::BmpSize() const
{
    return m_settings.m_nBmpSize;
}

CPointAryAry2& CQuilleryController::Strokes()
{
    return m_drawing.Strokes();
}

bool CQuilleryController::PumpMessages()
{
    return m_view.PumpMessages();
}

QString CQuilleryController::GetFontFilePathText() const
{
    return m_frame.GetFontFilePathText();
}

void CQuilleryController::SetFontFilePathText(const QString& text)
{
    m_frame.SetFontFilePathText(text);
}

void CQuilleryController::RestorePlan(const CSettingsStore* store)
{
    CCharTableSettings table;
    if (store)
        table.Read(*store);
    m_plan.SetSet(table.m_set);
    m_plan.SetOwnText(table.m_strOwnText);
}
