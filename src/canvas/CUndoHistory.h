#pragma once

#include "canvas/CPointAryAry2.h"

#include <QByteArray>
#include <vector>

using CByteArray2 = QByteArray;

// A linear history of whole-canvas snapshots, each with the stroke list of
// the same moment. Unbounded: it grows until the next Reset.
class CUndoHistory
{
public:
    // Drops every snapshot after the current one and appends a new current one.
    void Push(const QByteArray& bits, const CPointAryAry2& strokes);
    // Discards everything; the given state becomes snapshot 0.
    void Reset(const QByteArray& bits, const CPointAryAry2& strokes);

    bool CanUndo() const { return m_nUndoPos > 0; }
    bool CanRedo() const { return m_nUndoPos + 1 < Count(); }
    // Move the current position; false when there is nowhere to go.
    bool StepBack();
    bool StepForward();

    int Position() const { return m_nUndoPos; }
    int Count() const { return static_cast<int>(m_undoBits.size()); }
    const QByteArray& CurrentBits() const { return m_undoBits[static_cast<size_t>(m_nUndoPos)]; }
    const CPointAryAry2& CurrentStrokes() const { return m_undoStrokes[static_cast<size_t>(m_nUndoPos)]; }

private:
    std::vector<CByteArray2> m_undoBits;
    std::vector<CPointAryAry2> m_undoStrokes;
    int m_nUndoPos = 0;
};
