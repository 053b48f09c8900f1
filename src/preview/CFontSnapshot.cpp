#include "preview/CFontSnapshot.h"

#include "fonteditor/CDispatchException.h"
#include "fonteditor/CFontEditorSession.h"
#include "fonteditor/IAutomationSystem.h"
#include "fonteditor/IFontFileField.h"
#include "fonteditor/WorkFolder.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kLacksCopy
    = QStringLiteral("このGlyphsmithはフォントの複製を書き出せないため、プレビューを表示できません。");

} // namespace

CFontSnapshot::CFontSnapshot(CFontEditorSession& session, IAutomationSystem& system, const IFontFileField& field)
    : m_session(session)
    , m_system(system)
    , m_field(field)
    , m_folder(GetWorkFolder() + QStringLiteral("quillery-preview-XXXXXX"))
{
}

CFontSnapshot::SResult CFontSnapshot::Prepare()
{
    CGlyphsmithApplication* app = m_session.EditorApp();
    if (app && app->IsConnected() && m_session.HasActiveFont()) {
        if (m_bLacksCopy || m_session.EditorFont().Lacks(CGlyphsmithTypeface::DISPID_SaveCopy))
            return { EStatus::EditorLacksCopy, {}, kLacksCopy };
        return { EStatus::FromEditor, {}, {} };
    }
    const QString text = m_field.GetFontFilePathText();
    if (!text.isEmpty() && QFileInfo(text).isFile())
        return { EStatus::Ready, QFileInfo(text).absoluteFilePath(), {} };
    return { EStatus::NoFont, {},
        QStringLiteral("フォントがまだありません。文字を書いて実行すると、ここに表示されます。") };
}

CFontSnapshot::SResult CFontSnapshot::Copy()
{
    if (!m_folder.isValid())
        return { EStatus::Failed, {}, QStringLiteral("プレビュー用の一時フォルダを作成できません。") };
    try {
        CGlyphsmithApplication app;
        auto running = m_system.GetActiveObject(CFontEditorSession::kProgId);
        if (!running)
            return { EStatus::Failed, {},
                QStringLiteral("Glyphsmithに接続できないため、プレビューを更新できません。") };
        app.AttachDispatch(std::move(running));
        CGlyphsmithTypeface font;
        font.AttachDispatch(app.GetActiveFont());
        if (!font.IsConnected())
            return { EStatus::NoFont, {}, QStringLiteral("Glyphsmithでフォントが開かれていません。") };
        const QString path = QDir(m_folder.path()).filePath(QStringLiteral("preview.ttf"));
        font.SaveCopy(path);
        return { EStatus::Ready, path, {} };
    } catch (const CMissingMember&) {
        m_bLacksCopy = true;
        return { EStatus::EditorLacksCopy, {}, kLacksCopy };
    } catch (const CDispatchException& e) {
        return { EStatus::Failed, {},
            CFontEditorSession::FormatDispatchError(e).replace(QLatin1Char('\n'), QLatin1Char(' ')) };
    } catch (const CAutomationFailure&) {
        return { EStatus::Failed, {}, QStringLiteral("エラーが発生しました") };
    }
}
