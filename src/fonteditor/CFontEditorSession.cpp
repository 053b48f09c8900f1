#include "fonteditor/CFontEditorSession.h"

#include "app/IMessageBox.h"
#include "fonteditor/CAutomationFailure.h"
#include "fonteditor/CDispatchException.h"
#include "fonteditor/IAutomationSystem.h"
#include "fonteditor/IFontFileField.h"
#include "strokes/PathHelpers.h"

#include <QDir>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <utility>

namespace {

// Where the editor comes from; this editor is FontForge with the program's
// own server script, so the "address" is the Debian packages to install.
const QString kEditorSource = QStringLiteral("Debianのパッケージ（fontforge-nox python3-fontforge potrace）");
// Messages are kept to the length a message box shows comfortably; an editor's
// long description is cut there.
constexpr int kMaxMessageChars = 500;

// Deletes a file when it goes out of scope, whichever way that happens.
class CFileRemover {
public:
    explicit CFileRemover(QString path)
        : m_strPath(std::move(path))
    {
    }
    ~CFileRemover()
    {
        if (!m_strPath.isEmpty())
            QFile::remove(m_strPath);
    }
    CFileRemover(const CFileRemover&) = delete;
    CFileRemover& operator=(const CFileRemover&) = delete;

private:
    QString m_strPath;
};

} // namespace

CFontEditorSession::CFontEditorSession(IAutomationSystem& system, IMessageBox& messages, IFontFileField& fontFileField)
    : m_system(system)
    , m_messages(messages)
    , m_fontFileField(fontFileField)
{
}

CFontEditorSession::~CFontEditorSession() = default;

double CFontEditorSession::ParseEditorVersion(const QString& version)
{
    static const QRegularExpression leadingNumber(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
    const QRegularExpressionMatch match = leadingNumber.match(version.left(4));
    return match.hasMatch() ? match.captured(0).trimmed().toDouble() : 0.0;
}

QString CFontEditorSession::FormatDispatchError(const CDispatchException& e)
{
    return QStringLiteral("エラー:%1\n%2").arg(e.Code()).arg(e.Description());
}

void CFontEditorSession::ReportEditorError(const QString& text)
{
    if (m_bQuiet) {
        m_quietErrors << text;
        return;
    }
    if (m_bringToFront)
        m_bringToFront();
    m_messages.ShowMessage(text.size() > kMaxMessageChars ? text.left(kMaxMessageChars - 1) + QChar(0x2026) : text);
}

void CFontEditorSession::BeginQuiet()
{
    m_bQuiet = true;
    m_quietErrors.clear();
}

QStringList CFontEditorSession::EndQuiet()
{
    m_bQuiet = false;
    return std::exchange(m_quietErrors, {});
}

bool CFontEditorSession::Guarded(const std::function<bool()>& operation)
{
    try {
        return operation();
    } catch (const CDispatchException& e) {
        ReportEditorError(FormatDispatchError(e));
    } catch (const CAutomationFailure&) {
        ReportEditorError(QStringLiteral("エラーが発生しました"));
    }
    return false;
}

bool CFontEditorSession::ConnectEditor()
{
    std::shared_ptr<IDispatchObject> running;
    if (m_system.ClassFromProgId(kProgId))
        running = m_system.GetActiveObject(kProgId);

    if (running) {
        if (!m_pEditorApp)
            m_pEditorApp = std::make_unique<CGlyphsmithApplication>();
        m_pEditorApp->AttachDispatch(std::move(running));
        m_bEditorStartFailed = false;
        return CheckVersion();
    }

    m_pEditorApp = std::make_unique<CGlyphsmithApplication>();
    auto launched = m_system.CreateInstance(kProgId);
    if (!launched) {
        ReportEditorError(QStringLiteral("Glyphsmithを起動できませんでした。\nまだインストールしていない場合は、")
            + kEditorSource + QStringLiteral("からダウンロードしてインストールしてください。"));
        m_bEditorStartFailed = true;
        return false;
    }
    m_bEditorStartFailed = false;
    m_pEditorApp->AttachDispatch(std::move(launched));
    const bool flagged = Guarded([this] {
        m_pEditorApp->SetStartFlag(true);
        return true;
    });
    if (!flagged) {
        m_pEditorApp->ReleaseDispatch();
        return false;
    }
    return CheckVersion();
}

bool CFontEditorSession::CheckVersion()
{
    QString version;
    const bool read = Guarded([&] {
        version = m_pEditorApp->GetVersion();
        return true;
    });
    if (!read) {
        // An editor that cannot tell its version is not trusted: the next
        // command connects and asks again.
        m_pEditorApp->ReleaseDispatch();
        return false;
    }
    if (ParseEditorVersion(version) <= 2.8) {
        ReportEditorError(QStringLiteral("Glyphsmithのバージョンが低すぎます。\n最新のGlyphsmithを") + kEditorSource
            + QStringLiteral("からダウンロードしてインストールしてください。"));
        return false;
    }
    return true;
}

bool CFontEditorSession::EnsureEditor()
{
    if (m_pEditorApp && m_pEditorApp->IsConnected())
        return true;
    return ConnectEditor();
}

bool CFontEditorSession::CreateNewFont(const QString& savePath)
{
    auto font = m_pEditorApp->NewFont(0, false);
    if (!font) {
        ReportEditorError(QStringLiteral("Glyphsmithで、フォントの新規作成に失敗しました。"));
        return false;
    }
    m_editorFont.AttachDispatch(std::move(font));
    ReportRecoveredGlyphs();
    // This editor has no window of its own in which the user could save a new
    // font later, so a font meant for a named file gets that file right away.
    // The user asked for this file, so its folder (the documents folder for
    // a bare name) is made when it is missing.
    if (!savePath.isEmpty()) {
        QDir().mkpath(QFileInfo(savePath).absolutePath());
        m_editorFont.SaveAs(savePath);
    }
    return true;
}

QString CFontEditorSession::ResolveFontPath(const QString& fieldText)
{
    const QString text = fieldText.trimmed();
    if (text.isEmpty())
        return QString();
    if (text == u"~" || text.startsWith(QStringLiteral("~/")))
        return QDir::cleanPath(QDir::homePath() + text.mid(1));
    if (QDir::isAbsolutePath(text))
        return QDir::cleanPath(text);
    // Not the working folder, which depends on how the program was started.
    QString documents = QDir::homePath();
    GetSpecialFolderPath(SpecialFolder::Documents, documents);
    return QDir::cleanPath(QDir(documents).absoluteFilePath(text));
}

bool CFontEditorSession::IsSameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const auto key = [](const QString& path) {
        const QFileInfo info(path);
        const QString canonical = info.canonicalFilePath();
        return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
    };
    return key(a) == key(b);
}

// The font in hand is left for another: its glyphs are saved to its file,
// or, when it never had one, dropped only when the user agrees.
bool CFontEditorSession::LeaveFontFor(const QString& wanted)
{
    if (m_bFontChanged) {
        const QString current = m_editorFont.GetFilePath();
        if (!current.isEmpty()) {
            m_editorFont.Save();
        } else if (!m_messages.AskYesNo(
                       QStringLiteral("新規ファイルとして作成したフォントは、まだ保存されていません。\n"
                                      "保存せずにフォントファイル%1に切り替えますか？\n"
                                      "（保存するには［ファイル］メニューの［フォントに名前を付けて保存］を使います。）")
                           .arg(wanted))) {
            return false;
        }
    }
    m_bFontChanged = false;
    return true;
}

bool CFontEditorSession::OpenFontInEditor()
{
    return Guarded([this] {
        const QString wanted = ResolveFontPath(m_fontFileField.GetFontFilePathText());
        if (auto active = m_pEditorApp->GetActiveFont()) {
            m_editorFont.AttachDispatch(std::move(active));
            if (wanted.isEmpty() || IsSameFile(m_editorFont.GetFilePath(), wanted))
                return true;
            if (!LeaveFontFor(wanted))
                return false;
        }
        m_bFontChanged = false;
        if (wanted.isEmpty())
            return CreateNewFont(QString());
        if (QFileInfo::exists(wanted)) {
            auto font = m_pEditorApp->OpenFont(wanted, CDispValue::Short(0));
            if (!font) {
                ReportEditorError(QStringLiteral("Glyphsmithでのファイルオープンに失敗しました。\n%1").arg(wanted));
                return false;
            }
            m_editorFont.AttachDispatch(std::move(font));
            ReportRecoveredGlyphs();
            return true;
        }
        if (!m_messages.AskYesNo(QStringLiteral("ファイル%1は存在しません。新規ファイルで作成しますか？").arg(wanted)))
            return false;
        return CreateNewFont(wanted);
    });
}

void CFontEditorSession::ReportRecoveredGlyphs()
{
    qint32 recovered = 0;
    try {
        recovered = m_editorFont.GetRecoveredGlyphs();
    } catch (const std::exception&) {
        // An editor without a journal has nothing to tell; a failure here is
        // met again by the call that follows.
        return;
    }
    if (recovered > 0)
        m_messages.ShowInformation(
            QStringLiteral("前回保存されずに終わった作業から、%1個の文字を復旧しました。").arg(recovered));
}

bool CFontEditorSession::AttachFollowedFont()
{
    if (!m_pEditorApp || !m_pEditorApp->IsConnected())
        return false;
    try {
        auto active = m_pEditorApp->GetActiveFont();
        if (!active)
            return false;
        m_editorFont.AttachDispatch(std::move(active));
        const QString wanted = ResolveFontPath(m_fontFileField.GetFontFilePathText());
        return wanted.isEmpty() || IsSameFile(m_editorFont.GetFilePath(), wanted);
    } catch (const std::exception&) {
        return false;
    }
}

QString CFontEditorSession::CurrentFontName()
{
    QString path;
    try {
        if (m_editorFont.HasDispatch())
            path = m_editorFont.GetFilePath();
    } catch (const std::exception&) {
    }
    return path.isEmpty() ? QStringLiteral("新規フォント（ファイル未保存）") : path;
}

void CFontEditorSession::OnChooseFontFile(const QString& chosenPath)
{
    if (!chosenPath.isEmpty())
        m_fontFileField.SetFontFilePathText(chosenPath);
}

bool CFontEditorSession::SaveFontAs(const QString& path)
{
    if (path.isEmpty() || !EnsureEditor() || !OpenFontInEditor())
        return false;
    return Guarded([&] {
        m_editorFont.SaveAs(ResolveFontPath(path));
        m_bFontChanged = false;
        return true;
    });
}

QString CFontEditorSession::SaveFontToFile(const std::function<QString()>& askFileName)
{
    const QFileInfo field(m_fontFileField.GetFontFilePathText());
    if ((!m_pEditorApp || !m_pEditorApp->IsConnected()) && field.isFile())
        return field.absoluteFilePath();
    if (!EnsureEditor() || !OpenFontInEditor())
        return {};
    QString path;
    const bool saved = Guarded([&] {
        path = m_editorFont.GetFilePath();
        if (!path.isEmpty()) {
            m_editorFont.Save();
            return true;
        }
        const QString chosen = askFileName ? askFileName() : QString();
        if (chosen.isEmpty())
            return false;
        path = QFileInfo(chosen).absoluteFilePath();
        m_editorFont.SaveAs(path);
        m_fontFileField.SetFontFilePathText(path);
        return true;
    });
    return saved ? path : QString();
}

bool CFontEditorSession::HasActiveFont()
{
    if (!m_pEditorApp || !m_pEditorApp->IsConnected())
        return false;
    if (m_bBusyElsewhere)
        return m_bLastActiveFont;
    try {
        m_bLastActiveFont = m_pEditorApp->GetActiveFont() != nullptr;
    } catch (const std::exception&) {
        m_bLastActiveFont = false;
    }
    return m_bLastActiveFont;
}

bool CFontEditorSession::QueryClose()
{
    if (!m_pEditorApp || !HasUnsavedWork())
        return true;
    try {
        auto active = m_pEditorApp->GetActiveFont();
        if (!active)
            return true;
        m_editorFont.AttachDispatch(std::move(active));
        if (!m_editorFont.GetFilePath().isEmpty())
            return true;
    } catch (const std::exception&) {
        return true;
    }
    return m_messages.AskYesNo(QStringLiteral(
        "新規ファイルとして作成されましたが、まだGlyphsmithで保存されていません。\n終了していいですか？"));
}

std::optional<QString> CFontEditorSession::ReleaseAtExit(const QString& frameFontFilePath)
{
    if (!m_pEditorApp)
        return frameFontFilePath;

    std::optional<QString> fontFilePath;
    if (!m_bEditorStartFailed) {
        try {
            if (auto active = m_pEditorApp->GetActiveFont()) {
                m_editorFont.AttachDispatch(std::move(active));
                const QString path = m_editorFont.GetFilePath();
                fontFilePath = HasUnsavedWork() ? KeepFontAtExit(path) : path;
            } else {
                fontFilePath = frameFontFilePath;
            }
        } catch (const std::exception&) {
        }
    }
    m_editorFont.ReleaseDispatch();
    m_pEditorApp.reset();
    return fontFilePath;
}

QString CFontEditorSession::RecoveryFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/recovery");
}

CFontEditorSession::ESaveOutcome CFontEditorSession::TrySave(const std::function<void()>& save, QString& reason)
{
    try {
        save();
        return ESaveOutcome::Saved;
    } catch (const CDispatchException& e) {
        reason = e.Description();
        return ESaveOutcome::Refused;
    } catch (const CAutomationFailure& e) {
        if (e.IsAnswered()) {
            reason = e.Reason();
            return ESaveOutcome::Refused;
        }
        reason = QStringLiteral("Glyphsmithとの接続が切れました。");
        return ESaveOutcome::Lost;
    }
}

QString CFontEditorSession::KeepFontAtExit(const QString& path)
{
    if (path.isEmpty()) {
        // The user agreed to quit without giving the new font a file; the
        // glyphs are kept all the same.
        WriteRecoveryCopy(path, QString());
        return path;
    }
    QString reason;
    ESaveOutcome outcome = TrySave([this] { m_editorFont.Save(); }, reason);
    QString target = path;
    while (outcome == ESaveOutcome::Refused && m_chooseSaveAs) {
        if (!m_messages.AskYesNo(QStringLiteral("フォントファイル%1を保存できませんでした。\n原因：%2\n\n別の名前で保存しますか？")
                                     .arg(QDir::toNativeSeparators(target), reason)))
            break;
        const QString chosen = m_chooseSaveAs(target);
        if (chosen.isEmpty())
            break;
        target = QFileInfo(chosen).absoluteFilePath();
        outcome = TrySave([&] { m_editorFont.SaveAs(target); }, reason);
        if (outcome == ESaveOutcome::Saved)
            return target;
    }
    if (outcome == ESaveOutcome::Saved)
        return path;
    m_bExitSaveFailed = true;
    if (outcome == ESaveOutcome::Lost || !m_chooseSaveAs)
        m_messages.ShowStop(QStringLiteral("フォントファイル%1を保存できませんでした。\n原因：%2")
                                .arg(QDir::toNativeSeparators(target), reason));
    if (outcome != ESaveOutcome::Lost)
        WriteRecoveryCopy(path, reason);
    return path;
}

void CFontEditorSession::WriteRecoveryCopy(const QString& fontPath, const QString& reason)
{
    const QString folder = RecoveryFolder();
    const QString stem = fontPath.isEmpty() ? QStringLiteral("新規フォント") : QFileInfo(fontPath).completeBaseName();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString copy = QStringLiteral("%1/%2-%3.ttf").arg(folder, stem, stamp);
    for (int n = 2; QFileInfo::exists(copy); ++n)
        copy = QStringLiteral("%1/%2-%3-%4.ttf").arg(folder, stem, stamp).arg(n);

    QString failure;
    ESaveOutcome outcome = ESaveOutcome::Refused;
    if (!QDir().mkpath(folder)) {
        failure = QStringLiteral("フォルダを作成できません。");
    } else {
        outcome = TrySave(
            [&] {
                try {
                    m_editorFont.SaveCopy(copy);
                } catch (const CMissingMember&) {
                    // The editor ends with the program, so taking the font
                    // over to the copy's file costs nothing.
                    m_editorFont.SaveAs(copy);
                }
            },
            failure);
    }
    const QString where = QDir::toNativeSeparators(copy);
    if (outcome != ESaveOutcome::Saved) {
        m_bExitSaveFailed = true;
        const QString what = reason.isEmpty() ? QStringLiteral("新規フォントの復旧用のコピーを保存できませんでした。")
                                              : QStringLiteral("フォントの復旧用のコピーも保存できませんでした。");
        m_messages.ShowStop(
            what + QStringLiteral("\n%1\n原因：%2\n作成した文字は保存されていません。").arg(where, failure));
        return;
    }
    if (reason.isEmpty())
        m_messages.ShowInformation(
            QStringLiteral("保存されていない新規フォントの復旧用のコピーを次のファイルに保存しました。\n%1").arg(where));
    else
        m_messages.ShowMessage(
            QStringLiteral("フォントを保存できなかったため、復旧用のコピーを次のファイルに保存しました。\n%1").arg(where));
}

void CFontEditorSession::NotifyFontChanged()
{
    for (const auto& listener : m_fontChanged)
        listener();
}

bool CFontEditorSession::WriteGlyph(const QString& bmpPath, qint32 charCode, bool bVertical)
{
    const CFileRemover removeBmp(bmpPath);
    if (!EnsureEditor() || !OpenFontInEditor())
        return false;
    const bool written = Guarded([&] {
        m_editorFont.SelectGlyph(0, charCode, bVertical);
        const qint16 preserved = m_editorFont.GetPreservedValue();
        m_editorFont.GlyphStep1();
        m_editorFont.GlyphStep2();
        m_editorFont.ImportBitmap(QFileInfo(bmpPath).absoluteFilePath());
        m_pEditorApp->GlyphStep3();
        m_editorFont.GlyphStep4();
        m_bGlyphWritten = true;
        m_bFontChanged = true;
        if (charCode <= 0xFF && m_editorFont.GetPreservedValue() != preserved)
            m_editorFont.SetPreservedValue(preserved);
        return true;
    });
    // Even an import that failed halfway may have cleared the glyph.
    NotifyFontChanged();
    return written;
}
