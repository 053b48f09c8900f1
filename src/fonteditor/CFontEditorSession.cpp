#include "fonteditor/CFontEditorSession.h"

#include "app/IMessageBox.h"
#include "fonteditor/CAutomationFailure.h"
#include "fonteditor/CDispatchException.h"
#include "fonteditor/IAutomationSystem.h"
#include "fonteditor/IFontFileField.h"
#include "strokes/PathHelpers.h"

#include <QDir>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

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
            return true;
        }
        if (!m_messages.AskYesNo(QStringLiteral("ファイル%1は存在しません。新規ファイルで作成しますか？").arg(wanted)))
            return false;
        return CreateNewFont(wanted);
    });
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

bool CFontEditorSession::HasActiveFont()
{
    if (!m_pEditorApp || !m_pEditorApp->IsConnected())
        return false;
    try {
        return m_pEditorApp->GetActiveFont() != nullptr;
    } catch (const std::exception&) {
        return false;
    }
}

bool CFontEditorSession::QueryClose()
{
    if (!m_pEditorApp || !m_bGlyphWritten)
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
                fontFilePath = path;
                if (m_bGlyphWritten && !path.isEmpty())
                    m_editorFont.Save();
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

bool CFontEditorSession::WriteGlyph(const QString& bmpPath, qint32 charCode, bool bVertical)
{
    const CFileRemover removeBmp(bmpPath);
    if (!EnsureEditor() || !OpenFontInEditor())
        return false;
    return Guarded([&] {
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
}
