#pragma once

#include <QString>

// What the end of a run needs from the font editor connection to decide which
// font file path to keep. The editor connection implements it; until it
// exists, and in tests, a view has none, which counts as never connected.
class IFontEditorShutdown
{
public:
    virtual ~IFontEditorShutdown() = default;

    virtual bool EverConnected() const = 0;
    virtual bool EditorStartFailed() const = 0;
    virtual bool GlyphWritten() const = 0;
    // Asks the editor for its active font. False on an editor failure;
    // otherwise hasFont tells whether one is open and path is its file path
    // (empty for a font never saved).
    virtual bool QueryActiveFont(bool& hasFont, QString& path) = 0;
    // Tells the editor to save its active font; false on an editor failure.
    virtual bool SaveActiveFont() = 0;
    // Lets go of the editor.
    virtual void Release() = 0;
};
