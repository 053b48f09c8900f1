#pragma once

#include <QString>

class CSettingsStore;
class IFontEditorShutdown;

// Stores FontFilePath at the end of a run: the font file field's text when the
// editor was never used, nothing when it could not be started, else the path
// of the editor's active font, which is then saved when glyphs went into it.
// Editor failures end the decision quietly; the editor is released in every
// case.
class CFontFilePathWriter
{
public:
    static void Write(const CSettingsStore& store, const QString& fieldText, IFontEditorShutdown* editor);
};
