#include "canvas/CDrawingModel.h"

#include "canvas/IDrawingHost.h"
#include "res/CommandIds.h"

#include <cstdlib>

CDrawingModel::CDrawingModel(int side, int toolSize)
    : m_nToolSize(toolSize)
{
    CreateCanvas(side, side);
    SetRoundTip(RoundDiameterForTip(toolSize));
    ResetHistory();
}

void CDrawingModel::CreateCanvas(int width, int height)
{
    m_bmpCanvas.Create(width, height);
}

// Tip 4 (the user-defined one) and unknown indices keep a 30-dot round tip
// underneath, ready for when a round tip is chosen again.
int CDrawingModel::RoundDiameterForTip(int toolSize)
{
    switch (toolSize) {
    case 0: return 10;
    case 1: return 20;
    case 3: return 40;
    default: return 30;
    }
}

bool CDrawingModel::SetRoundTip(int diameter)
{
    return m_roundTip.SetDiameter(diameter);
}

QPoint CDrawingModel::ClientToCanvas(QPoint client) const
{
    return {client.x(), m_bmpCanvas.Height() - 1 - client.y()};
}

void CDrawingModel::DrawSegment(QPoint target, bool erase)
{
    if (m_nToolSize == kTipUser)
        m_penTip.StampLine(m_bmpCanvas, m_ptLast, target, erase);
    else
        m_roundTip.PaintSegment(m_bmpCanvas, m_ptLast, target, erase);
}

bool CDrawingModel::EraseFlag(bool primary) const
{
    return primary ? m_nTool == kToolEraser : m_nTool == kToolPen;
}

void CDrawingModel::StartStroke(QPoint client, bool primary)
{
    const QPoint pt = ClientToCanvas(client);
    m_ptLast = pt;
    DrawSegment(pt, EraseFlag(primary));
    m_ptLast = pt;
    m_bModified = true;
}

void CDrawingModel::ContinueStroke(QPoint client, bool primary)
{
    const QPoint pt = ClientToCanvas(client);
    ShowPointerPos(pt.x(), pt.y());
    DrawSegment(pt, EraseFlag(primary));
    m_ptLast = pt;
}

void CDrawingModel::AdoptDrawing(CCanvasBitmap canvas, const CPointAryAry2& strokes)
{
    m_bmpCanvas = std::move(canvas);
    const CPointArray2* lastContinued = nullptr;
    for (const CPointArray2& stroke : strokes) {
        if (stroke.empty())
            continue;
        m_ptLast = ClientToCanvas(stroke.back());
        m_bModified = true;
        if (stroke.size() > 1)
            lastContinued = &stroke;
    }
    if (lastContinued) {
        const QPoint shown = ClientToCanvas(lastContinued->back());
        ShowPointerPos(shown.x(), shown.y());
    }
}

void CDrawingModel::ShowPointerPos(int x, int y)
{
    if (!m_pHost || !m_pHost->HasStatusBar())
        return;
    m_pHost->SetStatusPaneText(1, QStringLiteral("X=%1").arg(x));
    m_pHost->SetStatusPaneText(2, QStringLiteral("Y=%1").arg(y));
}

bool CDrawingModel::OnButtonDown(PointerButton button, QPoint client)
{
    if (m_bPointerBlocked)
        return false;
    if (button == PointerButton::Left) {
        m_curStroke.clear();
        StartStroke(client, true);
        m_curStroke.push_back(client);
    } else {
        if (m_bWriteStrokeFile)
            return false;
        StartStroke(client, false);
    }
    m_bCapture = true;
    if (m_pHost)
        m_pHost->RepaintNow();
    return true;
}

void CDrawingModel::OnMove(QPoint client, bool leftHeld)
{
    if (!m_bCapture) {
        const QPoint pt = ClientToCanvas(client);
        ShowPointerPos(pt.x(), pt.y());
        return;
    }
    ContinueStroke(client, leftHeld);
    RecordPoint(client);
    if (m_pHost)
        m_pHost->RepaintNow();
}

// A jump of kMidpointJump or more in either axis records the midpoint first,
// so that stored steps stay small; a repeated point is recorded once.
void CDrawingModel::RecordPoint(QPoint p)
{
    if (!m_curStroke.empty()) {
        const QPoint q = m_curStroke.back();
        if (p == q)
            return;
        if (std::abs(p.x() - q.x()) >= kMidpointJump || std::abs(p.y() - q.y()) >= kMidpointJump)
            m_curStroke.push_back({(q.x() + p.x()) / 2, (q.y() + p.y()) / 2});
    }
    m_curStroke.push_back(p);
}

void CDrawingModel::OnButtonUp()
{
    if (!m_bCapture)
        return;
    if (!m_curStroke.empty()) {
        m_strokes.push_back(m_curStroke);
        m_curStroke.clear();
    }
    m_bCapture = false;
    PushSnapshot();
}

void CDrawingModel::OnCaptureLost()
{
    m_bCapture = false;
}

void CDrawingModel::ClearCanvas()
{
    m_bmpCanvas.Fill(CCanvasBitmap::kPaperByte);
    m_strokes.clear();
    m_bModified = false;
    if (m_pHost)
        m_pHost->Invalidate();
}

void CDrawingModel::PushSnapshot()
{
    m_history.Push(m_bmpCanvas.Bits(), m_strokes);
}

void CDrawingModel::ResetHistory()
{
    m_history.Reset(m_bmpCanvas.Bits(), m_strokes);
    MarkExecuted();
}

bool CDrawingModel::Undo()
{
    if (!m_history.StepBack())
        return false;
    RestoreSnapshot();
    return true;
}

bool CDrawingModel::Redo()
{
    if (!m_history.StepForward())
        return false;
    RestoreSnapshot();
    return true;
}

void CDrawingModel::RestoreSnapshot()
{
    m_bmpCanvas.SetBits(m_history.CurrentBits());
    m_strokes = m_history.CurrentStrokes();
    m_bModified = true;
    if (m_pHost)
        m_pHost->Invalidate();
}

void CDrawingModel::SelectTool(int tool)
{
    if (tool == kToolEraser && m_bWriteStrokeFile)
        return;
    m_nTool = tool;
}

void CDrawingModel::SelectTip(int toolSize)
{
    m_nToolSize = toolSize;
    if (toolSize == kTipUser) {
        if (m_pHost)
            m_pHost->ShowPenEditor();
        return;
    }
    SetRoundTip(RoundDiameterForTip(toolSize));
}

bool CDrawingModel::OnCommand(int id)
{
    using namespace cmd;
    switch (id) {
    case ID_TOOL_PEN: SelectTool(kToolPen); return true;
    case ID_TOOL_ERASER: SelectTool(kToolEraser); return true;
    case ID_TIP_10: SelectTip(0); return true;
    case ID_TIP_20: SelectTip(1); return true;
    case ID_TIP_30: SelectTip(2); return true;
    case ID_TIP_40: SelectTip(3); return true;
    case ID_TIP_USER: SelectTip(kTipUser); return true;
    case ID_EDIT_UNDO: Undo(); return true;
    case ID_EDIT_REDO: Redo(); return true;
    case ID_CLEAR_ALL:
        ClearCanvas();
        PushSnapshot();
        MarkExecuted();
        return true;
    default: return false;
    }
}

CommandState CDrawingModel::UpdateCommand(int id) const
{
    using namespace cmd;
    switch (id) {
    case ID_TOOL_PEN: return {true, m_nTool == kToolPen};
    case ID_TOOL_ERASER:
        if (m_bWriteStrokeFile)
            return {false, false};
        return {true, m_nTool == kToolEraser};
    case ID_TIP_10: return {true, m_nToolSize == 0};
    case ID_TIP_20: return {true, m_nToolSize == 1};
    case ID_TIP_30: return {true, m_nToolSize == 2};
    case ID_TIP_40: return {true, m_nToolSize == 3};
    case ID_TIP_USER: return {true, m_nToolSize == kTipUser};
    case ID_EDIT_UNDO: return {m_history.CanUndo(), false};
    case ID_EDIT_REDO: return {m_history.CanRedo(), false};
    case ID_CLEAR_ALL: return {m_bModified, false};
    default: return {false, false};
    }
}

int CDrawingModel::CursorId() const
{
    using namespace cursor;
    const bool eraser = m_nTool == kToolEraser;
    switch (m_nToolSize) {
    case 0: return eraser ? IDC_ERASER_10 : IDC_PEN_10;
    case 1: return eraser ? IDC_ERASER_20 : IDC_PEN_20;
    case kTipUser: return eraser ? IDC_ERASER_USER : IDC_PEN_USER;
    default: return eraser ? IDC_ERASER_30 : IDC_PEN_30;
    }
}
