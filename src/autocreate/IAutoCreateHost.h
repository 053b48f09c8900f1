#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class CDrawingModel;

// What a glyph step reports back: whether the glyph reached the font editor
// and, when it did not, the error text it showed.
struct GlyphStepResult
{
    bool ok = true;
    QString error;
    // It failed before the glyph reached the editor: there was no editor or
    // no font, which has been told already.
    bool fontUnavailable = false;
};

// What a run's summary adds about the font editor: that it was started again,
// and whether glyphs written before were lost with it.
struct EditorRunNotes
{
    QStringList lines;
    bool glyphsLost = false;
};

// What automatic creation needs from the view.
class IAutoCreateHost
{
public:
    virtual ~IAutoCreateHost() = default;

    virtual QString StrokeFolder() const = 0;
    virtual CDrawingModel& Drawing() = 0;
    // Reads a stroke file into the current character, the vertical box and
    // the stroke list, showing its own message on failure.
    virtual bool LoadStrokeFile(const QString& path) = 0;
    virtual QByteArray CurrentChar() const = 0;
    // The UTF-16 unit the stroke file just loaded holds for its character;
    // it names a character without a Shift-JIS form in the messages.
    virtual quint16 LoadedCharUnit() const { return 0; }
    // Shows the character in the dialog bar's field.
    virtual void SetCharText(const QByteArray& ch) = 0;
    // Hands the canvas to the font editor for the current character, as
    // Execute does, without writing a stroke file or moving on.
    virtual GlyphStepResult WriteGlyph() = 0;
    // Lets waiting user-interface events through; false once the program
    // has been told to quit.
    virtual bool PumpMessages() = 0;
    // Before a run: the editor and the font the glyphs will go into, with
    // the questions and messages of any command; false when there is none.
    virtual bool PrepareFont() { return true; }
    // The font file the run writes into, for its summary.
    virtual QString TargetFontName() { return QString(); }
    // The run starts or ends: the editor may answer faster meanwhile.
    virtual void BeginBatchRun() {}
    virtual EditorRunNotes EndBatchRun() { return {}; }
};

// The modeless progress display of a run, 0 to 100.
class IAutoCreateProgress
{
public:
    virtual ~IAutoCreateProgress() = default;

    // Shows the display at 0.
    virtual void Open() = 0;
    virtual void SetPosition(int pos) = 0;
    // The character in hand and how far the run has come ("あ  123 / 3,158").
    virtual void SetCurrentText(const QString& text) { (void)text; }
    virtual void Close() = 0;
};
