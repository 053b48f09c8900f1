#include "fonteditor/CFontEditorSession.h"

#include "app/IMessageBox.h"
#include "fonteditor/CAutomationFailure.h"
#include "fonteditor/CDispatchException.h"
#include "fonteditor/IAutomationSystem.h"
#include "fonteditor/IFontFileField.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

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
    if (m_bringToFront)
        m_bringToFront();
    m_messages.ShowMessage(text.size() > kMaxMessageChars ? text.left(kMaxMessageChars - 1) + QChar(0x2026) : text);
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
    if (!savePath.isEmpty())
        m_editorFont.SaveAs(savePath);
    return true;
}

bool CFontEditorSession::OpenFontInEditor()
{
    return Guarded([this] {
        if (auto active = m_pEditorApp->GetActiveFont()) {
            m_editorFont.AttachDispatch(std::move(active));
            return true;
        }
        const QString path = m_fontFileField.GetFontFilePathText();
        if (path.isEmpty())
            return CreateNewFont(QString());
        const QFileInfo file(path);
        if (file.exists()) {
            auto font = m_pEditorApp->OpenFont(file.absoluteFilePath(), CDispValue::Short(0));
            if (!font) {
                ReportEditorError(QStringLiteral("Glyphsmithでのファイルオープンに失敗しました。"));
                return false;
            }
            m_editorFont.AttachDispatch(std::move(font));
            return true;
        }
        if (!m_messages.AskYesNo(QStringLiteral("ファイル%1は存在しません。新規ファイルで作成しますか？").arg(path)))
            return false;
        return CreateNewFont(file.absoluteFilePath());
    });
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
        m_editorFont.SaveAs(QFileInfo(path).absoluteFilePath());
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
        if (charCode <= 0xFF && m_editorFont.GetPreservedValue() != preserved)
            m_editorFont.SetPreservedValue(preserved);
        return true;
    });
    // Even an import that failed halfway may have cleared the glyph.
    NotifyFontChanged();
    return written;
}
