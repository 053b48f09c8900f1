#include "app/CFontFilePathWriter.h"

#include "app/CSettingsStore.h"
#include "app/CViewSettings.h"

void CFontFilePathWriter::Write(const CSettingsStore& store, const QString& fieldText,
                                const EditorRelease& releaseEditor)
{
    const std::optional<QString> value = releaseEditor ? releaseEditor(fieldText) : fieldText;
    if (value)
        store.WriteRegString(CViewSettings::kSection, QStringLiteral("FontFilePath"), *value);
}
