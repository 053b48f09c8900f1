#include "preview/CFontSnapshot.h"

#include "fonteditor/CDispatchException.h"
#include "fonteditor/CFontEditorSession.h"
#include "fonteditor/IFontFileField.h"
#include "fonteditor/WorkFolder.h"

#include <QDir>
#include <QFileInfo>

CFontSnapshot::CFontSnapshot(CFontEditorSession& session, const IFontFileField& field)
    : m_session(session)
    , m_field(field)
    , m_folder(GetWorkFolder() + QStringLiteral("quillery-preview-XXXXXX"))
{
}

CFontSnapshot::SResult CFontSnapshot::Take()
{
    using F = CGlyphsmithTypeface;
    CGlyphsmithApplication* app = m_session.EditorApp();
    if (app && app->IsConnected()) {
        CGlyphsmithTypeface& font = m_session.EditorFont();
        try {
            if (auto active = app->GetActiveFont()) {
                font.AttachDispatch(std::move(active));
                if (font.Lacks(F::DISPID_SaveCopy))
                    throw CMissingMember(F::DISPID_SaveCopy);
                if (!m_folder.isValid())
                    return {EStatus::Failed, {}, QStringLiteral("プレビュー用の一時フォルダを作成できません。")};
                const QString path = QDir(m_folder.path()).filePath(QStringLiteral("preview.ttf"));
                font.SaveCopy(path);
                return {EStatus::Ready, path, {}};
            }
        } catch (const CMissingMember&) {
            return {EStatus::EditorLacksCopy, {},
                    QStringLiteral("このGlyphsmithはフォントの複製を書き出せないため、プレビューを表示できません。")};
        } catch (const CDispatchException& e) {
            return {EStatus::Failed, {},
                    CFontEditorSession::FormatDispatchError(e).replace(QLatin1Char('\n'), QLatin1Char(' '))};
        } catch (const CAutomationFailure&) {
            return {EStatus::Failed, {}, QStringLiteral("エラーが発生しました")};
        }
    }
    const QFileInfo file(m_field.GetFontFilePathText());
    if (!m_field.GetFontFilePathText().isEmpty() && file.isFile())
        return {EStatus::Ready, file.absoluteFilePath(), {}};
    return {EStatus::NoFont, {}, QStringLiteral("フォントがまだありません。文字を書いて実行すると、ここに表示されます。")};
}
