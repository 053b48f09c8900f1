#pragma once

#include <QString>
#include <functional>
#include <optional>

class CSettingsStore;

// Stores FontFilePath at the end of a run. Without an editor connection the
// font file field's text is stored; with one, the editor session decides
// (its active font's path, or nothing when the editor could not be started
// or failed) and is released on the way.
class CFontFilePathWriter
{
public:
    // Gives the value to store from the field's text, releasing the editor.
    using EditorRelease = std::function<std::optional<QString>(const QString& fieldText)>;

    static void Write(const CSettingsStore& store, const QString& fieldText, const EditorRelease& releaseEditor);
};
