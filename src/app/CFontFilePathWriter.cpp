#include "app/CFontFilePathWriter.h"

#include "app/CSettingsStore.h"
#include "app/CViewSettings.h"
#include "app/IFontEditorShutdown.h"

namespace {

void StoreFromEditor(const CSettingsStore& store, const QString& fieldText, IFontEditorShutdown& editor)
{
    if (editor.EditorStartFailed())
        return;
    bool hasFont = false;
    QString path;
    if (!editor.QueryActiveFont(hasFont, path))
        return;
    if (!hasFont) {
        store.WriteRegString(CViewSettings::kSection, QStringLiteral("FontFilePath"), fieldText);
        return;
    }
    store.WriteRegString(CViewSettings::kSection, QStringLiteral("FontFilePath"), path);
    if (editor.GlyphWritten() && !path.isEmpty())
        editor.SaveActiveFont();
}

} // namespace

void CFontFilePathWriter::Write(const CSettingsStore& store, const QString& fieldText, IFontEditorShutdown* editor)
{
    if (!editor || !editor->EverConnected()) {
        store.WriteRegString(CViewSettings::kSection, QStringLiteral("FontFilePath"), fieldText);
    } else {
        StoreFromEditor(store, fieldText, *editor);
    }
    if (editor)
        editor->Release();
}
