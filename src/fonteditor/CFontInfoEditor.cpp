#include "fonteditor/CFontInfoEditor.h"

#include "app/IMessageBox.h"
#include "fonteditor/CFontEditorSession.h"
#include "res/NumberText.h"

#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace {

using F = CGlyphsmithTypeface;

// The head table keeps the version as a 16.16 fixed-point number.
constexpr int kMaxVersionMajor = 32767;

QString Label(SFontInfo::EField field)
{
    switch (field) {
    case SFontInfo::FamilyName: return QStringLiteral("英語のファミリー名");
    case SFontInfo::FamilyNameJa: return QStringLiteral("日本語のファミリー名");
    case SFontInfo::Version: return QStringLiteral("バージョン");
    default: return QStringLiteral("著作権表示");
    }
}

bool HasControlCharacter(const QString& value)
{
    return std::any_of(value.begin(), value.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

bool IsPrintableAscii(const QString& value)
{
    return std::all_of(value.begin(), value.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
}

const QRegularExpression& VersionPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})(?:\\.(\\d{1,3}))?$"));
    return pattern;
}

} // namespace

QString& SFontInfo::operator[](EField field)
{
    switch (field) {
    case FamilyName: return familyName;
    case FamilyNameJa: return familyNameJa;
    case Version: return version;
    default: return copyright;
    }
}

const QString& SFontInfo::operator[](EField field) const
{
    return const_cast<SFontInfo&>(*this)[field];
}

CFontInfoEditor::CFontInfoEditor(CFontEditorSession& session, IMessageBox& messages)
    : m_session(session)
    , m_messages(messages)
{
}

bool CFontInfoEditor::IsAvailable() const
{
    const CGlyphsmithTypeface& font = m_session.EditorFont();
    return !font.Lacks(F::DISPID_FamilyName) && !font.Lacks(F::DISPID_FamilyNameJa)
        && !font.Lacks(F::DISPID_FontVersion) && !font.Lacks(F::DISPID_Copyright);
}

void CFontInfoEditor::ExplainMissing()
{
    if (std::exchange(m_bExplained, true))
        return;
    m_messages.ShowMessage(QStringLiteral(
        "このGlyphsmithはフォント情報の読み書きに対応していないため、フォント情報は編集できません。"));
}

std::optional<SFontInfo> CFontInfoEditor::Load()
{
    if (!IsAvailable()) {
        ExplainMissing();
        return std::nullopt;
    }
    if (!m_session.EnsureEditor() || !m_session.OpenFontInEditor())
        return std::nullopt;
    const CGlyphsmithTypeface& font = m_session.EditorFont();
    std::optional<SFontInfo> info;
    Guarded([&] {
        info = SFontInfo { font.GetFamilyName(), font.GetFamilyNameJa(), font.GetFontVersion(), font.GetCopyright() };
        return true;
    });
    return info;
}

SFontInfo CFontInfoEditor::Normalized(const SFontInfo& edited)
{
    SFontInfo info = edited;
    for (int f = 0; f < SFontInfo::FieldCount; ++f)
        info[SFontInfo::EField(f)] = info[SFontInfo::EField(f)].trimmed();
    const QRegularExpressionMatch version = VersionPattern().match(info.version);
    if (version.hasMatch())
        info.version = QStringLiteral("%1.%2")
                           .arg(version.captured(1).toInt())
                           .arg(version.captured(2).leftJustified(3, QLatin1Char('0')));
    return info;
}

QString CFontInfoEditor::Problem(SFontInfo::EField field, const QString& value)
{
    if (value.isEmpty())
        return QStringLiteral("%1を入力してください。").arg(Label(field));
    if (HasControlCharacter(value))
        return QStringLiteral("%1に制御文字は使えません。").arg(Label(field));
    switch (field) {
    case SFontInfo::FamilyName:
        if (!IsPrintableAscii(value))
            return QStringLiteral("英語のファミリー名には半角の英数字と記号だけを使ってください。");
        [[fallthrough]];
    case SFontInfo::FamilyNameJa:
        if (value.size() > kMaxFamilyName)
            return QStringLiteral("%1は%2文字以内で入力してください。").arg(Label(field), NumberText(kMaxFamilyName));
        return QString();
    case SFontInfo::Version: {
        const QRegularExpressionMatch version = VersionPattern().match(value);
        if (!version.hasMatch() || version.captured(1).toInt() > kMaxVersionMajor)
            return QStringLiteral("バージョンは 1.000 のように、0 から %1 までの数に小数3桁までを付けて入力してください。")
                .arg(kMaxVersionMajor);
        return QString();
    }
    default:
        if (value.size() > kMaxCopyright)
            return QStringLiteral("%1は%2文字以内で入力してください。").arg(Label(field), NumberText(kMaxCopyright));
        return QString();
    }
}

CFontInfoEditor::SVerdict CFontInfoEditor::Check(const SFontInfo& info, int fieldCount)
{
    for (int f = 0; f < fieldCount; ++f) {
        const auto field = SFontInfo::EField(f);
        if (const QString problem = Problem(field, info[field]); !problem.isEmpty()) {
            m_messages.ShowMessage(problem);
            return { false, field };
        }
    }
    return {};
}

CFontInfoEditor::SVerdict CFontInfoEditor::CheckNames(const SFontInfo& edited)
{
    return Check(Normalized(edited), SFontInfo::FamilyNameJa + 1);
}

CFontInfoEditor::SVerdict CFontInfoEditor::Submit(const SFontInfo& loaded, const SFontInfo& edited)
{
    const SFontInfo info = Normalized(edited);
    const SFontInfo before = Normalized(loaded);
    if (const SVerdict verdict = Check(info, SFontInfo::FieldCount); !verdict.bAccepted)
        return verdict;
    // Only what the user changed is sent: the editor writes every put into
    // the font, and a name it derived itself should stay its own.
    for (int f = 0; f < SFontInfo::FieldCount; ++f) {
        const auto field = SFontInfo::EField(f);
        if (info[field] != before[field] && !Send(field, info[field]))
            return { false, field };
    }
    return {};
}

bool CFontInfoEditor::Send(SFontInfo::EField field, const QString& value)
{
    const CGlyphsmithTypeface& font = m_session.EditorFont();
    return Guarded([&] {
        switch (field) {
        case SFontInfo::FamilyName: font.SetFamilyName(value); break;
        case SFontInfo::FamilyNameJa: font.SetFamilyNameJa(value); break;
        case SFontInfo::Version: font.SetFontVersion(value); break;
        default: font.SetCopyright(value); break;
        }
        if (field == SFontInfo::FamilyName || field == SFontInfo::FamilyNameJa)
            m_session.MarkFontNamed();
        m_session.MarkFontChanged();
        return true;
    });
}

// The session's reporting, and the explanation once for an editor that lacks
// the members.
bool CFontInfoEditor::Guarded(const std::function<bool()>& operation)
{
    return m_session.Guarded([&] {
        try {
            return operation();
        } catch (const CMissingMember&) {
            ExplainMissing();
            return false;
        }
    });
}
