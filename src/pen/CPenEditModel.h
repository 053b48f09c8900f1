#pragma once

#include "canvas/CPenTip.h"
#include "canvas/CommandState.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <bitset>
#include <vector>

class IMessageBox;
class IPenEditHost;

// The rules of the pen editor: a 64 x 64 grid of enlarged cells, one per dot
// of the user-defined tip, edited in place with pen, eraser, line and fill.
// Every change rebuilds the tip's stamp at once, so the canvas draws with the
// new tip on its next stroke. Positions are client pixels of the editor's
// drawing area, x to the right and y downward; cells count y from the top.
class CPenEditModel
{
public:
    static constexpr int kToolPen = 0;
    static constexpr int kToolEraser = 1;
    static constexpr int kToolLine = 2;
    static constexpr int kToolFill = 3;

    static constexpr int kSide = CPenTip::kSize;
    static constexpr int kMargin = 10;
    // Left edge of the grid: the preview's width plus a gap.
    static constexpr int kGridLeft = kSide + 30;
    // Every seed on the stack names a different cell, so this many always
    // suffice and the fill reaches every dot of its area.
    static constexpr int kFillStackSize = kSide * kSide;

    CPenEditModel(CPenTip& tip, IMessageBox& box);

    void SetHost(IPenEditHost* host) { m_pHost = host; }

    int PenTool() const { return m_nPenTool; }
    // Cursor resource of the current tool.
    int CursorId() const;
    CPenTip& Tip() { return m_tip; }
    const CPenTip& Tip() const { return m_tip; }

    // Tool and clear-all commands of the editor's toolbar.
    bool OnCommand(int id);
    CommandState UpdateCommand(int id) const;

    // Layout for a drawing area of this size (the window's client area less
    // its toolbar). The cell side stays at least one pixel.
    void OnSize(int areaWidth, int areaHeight);
    int Cell() const { return m_nCell; }
    QRect CellRect(QPoint cell) const;
    QRect GridRect() const;
    // The preview with its frame and the grid: what clear, fill and open repaint.
    QRect ImageArea() const;
    static QRect PreviewRect() { return {kMargin, kMargin, kSide, kSide}; }
    static QRect PreviewFrameRect() { return PreviewRect().adjusted(-1, -1, 1, 1); }
    // The cell under a pixel, or false when the pixel is off the grid.
    bool CellAt(QPoint px, QPoint& cell) const;

    bool IsInk(QPoint cell) const;

    // Pointer events; `left` tells whether the event's buttons include the
    // left one. OnButtonDown answers whether the window must capture the
    // pointer.
    bool OnButtonDown(QPoint px, bool left);
    void OnMove(QPoint px, bool left);
    void OnButtonUp();
    void OnCaptureLost() { m_bCapture = false; }
    bool HasCapture() const { return m_bCapture; }

    void ClearAll();
    void FloodFill(QPoint start, bool ink);

    // The cells of the straight line from a to b, ends included, in walk order.
    static std::vector<QPoint> DigitalLine(QPoint a, QPoint b);

    bool SavePenFile(const QString& path);
    bool LoadPenFile(const QString& path);
    // Open: loads and repaints the image area whatever the outcome.
    bool Open(const QString& path);
    // Save to a chosen path: asks before overwriting another existing file,
    // then saves and remembers the path.
    bool SaveAs(const QString& path);
    const QString& LastSavePath() const { return m_strLastSavePath; }

private:
    bool CellInk(int tool, bool left) const;
    void SetDot(QPoint cell, bool ink);
    void PaintCell(QPoint cell, bool ink);
    void PaintLine(QPoint from, QPoint to, bool ink);
    bool IsSameFileAsLastSave(const QString& path) const;
    void Invalidate(const QRect& rect);

    bool IsBorder(int x, int y, bool ink) const { return IsInk({x, y}) == ink; }
    int RunStart(int x, int y, bool ink) const;
    void OfferSeed(int x, int y, bool ink);

    CPenTip& m_tip;
    IMessageBox& m_box;
    IPenEditHost* m_pHost = nullptr;
    int m_nPenTool = kToolPen;
    int m_nCell = 7;
    QPoint m_ptDown;
    QPoint m_ptPrev;
    CPenTip::Bits m_backup {};
    QPoint m_cellLast;
    bool m_bCapture = false;
    std::vector<QPoint> m_fillStack;
    std::bitset<kFillStackSize> m_onFillStack;
    QString m_strLastSavePath;
};
