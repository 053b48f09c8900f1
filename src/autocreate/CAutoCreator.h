#pragma once

#include "canvas/CPointAryAry2.h"

#include <QString>
#include <QStringList>

class CDrawingModel;
class CLookAheadReplay;
class IAutoCreateHost;
class IAutoCreateProgress;
class IMessageBox;

// Re-creates the glyphs of a whole stroke folder: every stroke file in turn
// is drawn again on a blank canvas with the current tip and handed to the
// font editor. Runs on the user-interface thread and lets events through
// between files; Cancel and closing the window end the run after the file
// in hand.
class CAutoCreator
{
public:
    CAutoCreator(IAutoCreateHost& host, IAutoCreateProgress& progress, IMessageBox& messages,
                 QString errorLogPath);

    // The documents folder + "/Quillery エラーログ.txt".
    static QString DefaultErrorLogPath();
    // The names (without folder) of the regular files "*.stk" in the
    // folder, in Shift-JIS character order. The pattern matches the way the
    // platform's shell does: case-sensitively here.
    static QStringList ListStrokeFiles(const QString& folder);
    // Draws every stroke with the current tool and tip, point 0 as one
    // imprint and each later point as a segment, without recording it again.
    static void DrawStrokes(CDrawingModel& drawing, const CPointAryAry2& strokes);

    // The command: asks, then replays every file. Does nothing while a run
    // is going on. True when a run took place.
    bool AutoCreateFromStrokeFiles();
    // One file from loading to glyph; false when it cannot be loaded.
    bool ReplayStrokeFile(const QString& path);

    // The progress display's Cancel.
    void OnCancelAutoCreate() { m_bCancelAutoCreate = true; }
    // Closing the window: the run ends after the file in hand, without a
    // summary that would hold the window open.
    void RequestStop()
    {
        m_bCancelAutoCreate = true;
        m_bStopForClose = true;
    }

    // How a run went, for its closing message.
    struct Outcome
    {
        enum class End { Finished, Cancelled, BadFile };
        End end = End::Finished;
        int files = 0;     // stroke files found
        int done = 0;      // files loaded and drawn
        int created = 0;   // glyphs that reached the font
        int failed = 0;    // glyphs the font editor refused
        QString badFile;   // the file that could not be loaded
        QString fontName;
        QStringList editorNotes; // the editor was started again, ...
        bool glyphsLost = false; // ... and glyphs written before were lost
    };
    const Outcome& LastOutcome() const { return m_outcome; }
    static QString SummaryText(const Outcome& outcome, const QString& errorLogPath);
    // The summary's first two lines as one, for the status bar.
    static QString StatusText(const Outcome& outcome);
    // "123 / 3,158"
    static QString CountText(int n, int count);
    // Why a stroke file's character (its UTF-16 unit, 0 when none was
    // recorded) cannot go into the font.
    static QString UnusableCharText(quint16 unit);

    bool IsRunning() const { return m_bRunning; }
    // True while a file is being loaded and drawn: field and box changes
    // then come from the file, not the user.
    bool IsAutoCreating() const { return m_bAutoCreating; }
    const QString& ErrorLogPath() const { return m_strErrorLogPath; }

private:
    void Run(const QStringList& names);
    // As above; lookAhead, when given, has drawn path already or draws it
    // now, and starts on next while this file is with the font editor.
    bool ReplayStrokeFile(const QString& path, CLookAheadReplay* lookAhead, const QString& next);
    void SetProgress(int pos);
    void EmptyErrorLog();
    void LogGlyphFailure(const QString& fileName, const QString& error);

    IAutoCreateHost& m_host;
    IAutoCreateProgress& m_progress;
    IMessageBox& m_messages;
    QString m_strErrorLogPath;
    bool m_bCancelAutoCreate = false;
    bool m_bAutoCreating = false;
    bool m_bAutoCreateError = false;
    bool m_bRunning = false;
    int m_lastPosition = 0;
    bool m_bStopForClose = false;
    int m_nCurrent = 0;
    Outcome m_outcome;
};
