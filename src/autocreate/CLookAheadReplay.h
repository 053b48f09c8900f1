#pragma once

#include "canvas/CCanvasBitmap.h"
#include "canvas/CDrawingModel.h"
#include "canvas/CPointAryAry2.h"

#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// Reads and draws the next stroke file of a run on a thread and a canvas of
// its own while the file in hand is with the font editor; the run then takes
// that canvas instead of drawing the file again. Nothing else changes: the
// run still loads every file itself, with its messages, and the editor gets
// its calls file after file as before.
class CLookAheadReplay
{
public:
    // Draws as the drawing does: its canvas side, tool and tips.
    explicit CLookAheadReplay(const CDrawingModel& drawing);
    // Waits for the file in hand.
    ~CLookAheadReplay();
    CLookAheadReplay(const CLookAheadReplay&) = delete;
    CLookAheadReplay& operator=(const CLookAheadReplay&) = delete;

    // Begins on the file; a canvas not taken yet is dropped.
    void Start(const QString& path);
    // The canvas drawn from the file last started, once it is done, when
    // that file is path, held the strokes given (it did not change since)
    // and the drawing still draws as it did; nothing otherwise.
    std::optional<CCanvasBitmap> Take(const QString& path, const CPointAryAry2& strokes, const CDrawingModel& drawing);

private:
    void Work();
    void Replay(const QString& path);

    CDrawingModel m_model; // the worker's own, while it is busy
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QString m_pending;     // the file to start on, empty when none
    bool m_bBusy = false;
    bool m_bQuit = false;
    // What the last file gave, until it is taken or another is started.
    struct SDrawn
    {
        QString path;
        CPointAryAry2 strokes;
        CCanvasBitmap canvas;
    };
    std::optional<SDrawn> m_drawn;
    std::thread m_thread;
};
