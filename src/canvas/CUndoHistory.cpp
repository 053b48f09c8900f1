#include "canvas/CUndoHistory.h"

void CUndoHistory::Push(const QByteArray& bits, const CPointAryAry2& strokes)
{
    if (!m_undoBits.empty()) {
        m_undoBits.resize(static_cast<size_t>(m_nUndoPos) + 1);
        m_undoStrokes.resize(static_cast<size_t>(m_nUndoPos) + 1);
    }
    m_undoBits.push_back(bits);
    m_undoStrokes.push_back(strokes);
    m_nUndoPos = Count() - 1;
}

void CUndoHistory::Reset(const QByteArray& bits, const CPointAryAry2& strokes)
{
    m_undoBits.clear();
    m_undoStrokes.clear();
    m_undoBits.push_back(bits);
    m_undoStrokes.push_back(strokes);
    m_nUndoPos = 0;
}

bool CUndoHistory::StepBack()
{
    if (!CanUndo())
        return false;
    --m_nUndoPos;
    return true;
}

bool CUndoHistory::StepForward()
{
    if (!CanRedo())
        return false;
    ++m_nUndoPos;
    return true;
}
