#pragma once

#include "canvas/CCanvasBitmap.h"
#include "canvas/CPenTip.h"
#include "canvas/CPointAryAry2.h"
#include "canvas/CRoundTip.h"
#include "canvas/CUndoHistory.h"
#include "canvas/CommandState.h"

#include <QPoint>

class IDrawingHost;

enum class PointerButton { Left, Right };

// The canvas of the current character with its tools, the strokes recorded
// from the pointer and the undo history. The drawing view forwards pointer
// events and commands here and paints what Canvas() holds.
class CDrawingModel
{
public:
    static constexpr int kToolPen = 0;
    static constexpr int kToolEraser = 1;
    static constexpr int kTipUser = 4;
    // Moves that jump this far in one axis get a midpoint recorded first.
    static constexpr int kMidpointJump = 128;

    explicit CDrawingModel(int side = 512, int toolSize = 2);

    void SetHost(IDrawingHost* host) { m_pHost = host; }

    // Canvas and tips.
    void CreateCanvas(int width, int height);
    const CCanvasBitmap& Canvas() const { return m_bmpCanvas; }
    CCanvasBitmap& Canvas() { return m_bmpCanvas; }
    static int RoundDiameterForTip(int toolSize);
    bool SetRoundTip(int diameter);
    const CRoundTip& RoundTip() const { return m_roundTip; }
    CPenTip& PenTip() { return m_penTip; }
    const CPenTip& PenTip() const { return m_penTip; }
    int Tool() const { return m_nTool; }
    int ToolSize() const { return m_nToolSize; }
    QPoint LastPoint() const { return m_ptLast; }
    bool IsModified() const { return m_bModified; }

    bool WriteStrokeFile() const { return m_bWriteStrokeFile; }
    void SetWriteStrokeFile(bool on) { m_bWriteStrokeFile = on; }

    QPoint ClientToCanvas(QPoint client) const;
    void DrawSegment(QPoint target, bool erase);
    void StartStroke(QPoint client, bool primary);
    void ContinueStroke(QPoint client, bool primary);
    void ShowPointerPos(int x, int y);
    // Takes the canvas another model drew from these strokes on a clear
    // canvas with this model's tool and tips, and ends as drawing them here
    // would: the same last point, pointer position and modified flag.
    void AdoptDrawing(CCanvasBitmap canvas, const CPointAryAry2& strokes);

    // Pointer events of the view, in client coordinates. OnButtonDown answers
    // whether the view must capture the pointer.
    bool OnButtonDown(PointerButton button, QPoint client);
    void OnMove(QPoint client, bool leftHeld);
    void OnButtonUp();
    void OnCaptureLost();
    bool HasCapture() const { return m_bCapture; }
    // While blocked (during automatic creation) a button press draws nothing.
    void BlockPointer(bool blocked) { m_bPointerBlocked = blocked; }
    bool IsPointerBlocked() const { return m_bPointerBlocked; }

    const CPointArray2& CurrentStroke() const { return m_curStroke; }
    const CPointAryAry2& Strokes() const { return m_strokes; }
    CPointAryAry2& Strokes() { return m_strokes; }

    // Undo history and clear.
    void ClearCanvas();
    void PushSnapshot();
    void ResetHistory();
    bool Undo();
    bool Redo();
    const CUndoHistory& History() const { return m_history; }
    // Whether the canvas differs from what it showed when it was last handed
    // to the font editor, cleared or given a new history: a drawing that
    // moving on would lose.
    bool HasUnexecutedChanges() const { return m_bmpCanvas.Bits() != m_markedBits; }
    void MarkExecuted() { m_markedBits = m_bmpCanvas.Bits(); }

    // Commands of the tools toolbar and the edit menu.
    bool OnCommand(int id);
    CommandState UpdateCommand(int id) const;
    // Cursor resource for the current tool and tip.
    int CursorId() const;

private:
    void SelectTool(int tool);
    void SelectTip(int toolSize);
    void RestoreSnapshot();
    void RecordPoint(QPoint client);
    bool EraseFlag(bool primary) const;

    IDrawingHost* m_pHost = nullptr;
    CCanvasBitmap m_bmpCanvas;
    CRoundTip m_roundTip;
    CPenTip m_penTip;
    int m_nTool = kToolPen;
    int m_nToolSize = 2;
    QPoint m_ptLast;
    bool m_bModified = false;
    bool m_bWriteStrokeFile = false;
    bool m_bCapture = false;
    bool m_bPointerBlocked = false;
    CPointArray2 m_curStroke;
    CPointAryAry2 m_strokes;
    CUndoHistory m_history;
    QByteArray m_markedBits;
};
