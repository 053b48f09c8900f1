#include "pen/CPenEditModel.h"

#include "app/IMessageBox.h"
#include "pen/CPenFile.h"
#include "pen/IPenEditHost.h"
#include "res/CommandIds.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

int ByteIndex(QPoint cell)
{
    return cell.x() / 8 + (CPenTip::kSize - 1 - cell.y()) * CPenTip::kRowBytes;
}

uint8_t BitMask(QPoint cell)
{
    return static_cast<uint8_t>(0x80 >> (cell.x() % 8));
}

bool IsOnTip(QPoint cell)
{
    return cell.x() >= 0 && cell.x() < CPenTip::kSize && cell.y() >= 0 && cell.y() < CPenTip::kSize;
}

std::filesystem::path FsPath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

CPenEditModel::CPenEditModel(CPenTip& tip, IMessageBox& box)
    : m_tip(tip)
    , m_box(box)
{
    m_fillStack.reserve(kFillStackSize);
}

bool CPenEditModel::OnCommand(int id)
{
    using namespace cmd;
    switch (id) {
    case ID_PEN_EDIT_PEN: m_nPenTool = kToolPen; return true;
    case ID_PEN_EDIT_ERASER: m_nPenTool = kToolEraser; return true;
    case ID_PEN_EDIT_LINE: m_nPenTool = kToolLine; return true;
    case ID_PEN_EDIT_FILL: m_nPenTool = kToolFill; return true;
    case ID_PEN_EDIT_CLEAR: ClearAll(); return true;
    default: return false;
    }
}

CommandState CPenEditModel::UpdateCommand(int id) const
{
    using namespace cmd;
    switch (id) {
    case ID_PEN_EDIT_PEN: return {true, m_nPenTool == kToolPen};
    case ID_PEN_EDIT_ERASER: return {true, m_nPenTool == kToolEraser};
    case ID_PEN_EDIT_LINE: return {true, m_nPenTool == kToolLine};
    case ID_PEN_EDIT_FILL: return {true, m_nPenTool == kToolFill};
    default: return {};
    }
}

int CPenEditModel::CursorId() const
{
    switch (m_nPenTool) {
    case kToolEraser: return cursor::IDC_ERASER_USER;
    case kToolLine: return cursor::IDC_PEN_EDIT_LINE;
    case kToolFill: return cursor::IDC_PEN_EDIT_FILL;
    default: return cursor::IDC_PEN_USER;
    }
}

void CPenEditModel::OnSize(int areaWidth, int areaHeight)
{
    const int byWidth = (areaWidth - kSide - 40) / kSide;
    const int byHeight = (areaHeight - 2 * kMargin) / kSide;
    m_nCell = std::max(1, std::min(byWidth, byHeight));
}

QRect CPenEditModel::CellRect(QPoint cell) const
{
    return {kGridLeft + cell.x() * m_nCell, kMargin + cell.y() * m_nCell, m_nCell, m_nCell};
}

QRect CPenEditModel::GridRect() const
{
    return {kGridLeft, kMargin, kSide * m_nCell, kSide * m_nCell};
}

QRect CPenEditModel::ImageArea() const
{
    // Includes the preview's frame and the grid's closing lines.
    return {QPoint(kMargin - 1, kMargin - 1), GridRect().bottomRight() + QPoint(1, 1)};
}

// Pixels left of or above the grid are off it, even within a cell's width of
// its edge, where a division rounding toward zero would give column or row 0.
bool CPenEditModel::CellAt(QPoint px, QPoint& cell) const
{
    if (px.x() < kGridLeft || px.y() < kMargin)
        return false;
    const QPoint found((px.x() - kGridLeft) / m_nCell, (px.y() - kMargin) / m_nCell);
    if (!IsOnTip(found))
        return false;
    cell = found;
    return true;
}

bool CPenEditModel::IsInk(QPoint cell) const
{
    return (m_tip.PenBits()[ByteIndex(cell)] & BitMask(cell)) == 0;
}

// The left button draws the tool's own colour, any other the opposite; only
// the eraser's own colour is paper.
bool CPenEditModel::CellInk(int tool, bool left) const
{
    return (tool == kToolEraser) != left;
}

void CPenEditModel::SetDot(QPoint cell, bool ink)
{
    uint8_t& byte = m_tip.PenBits()[ByteIndex(cell)];
    if (ink)
        byte &= static_cast<uint8_t>(~BitMask(cell));
    else
        byte |= BitMask(cell);
}

void CPenEditModel::PaintCell(QPoint cell, bool ink)
{
    SetDot(cell, ink);
    m_tip.RebuildPenStamp();
    Invalidate(CellRect(cell));
}

void CPenEditModel::PaintLine(QPoint from, QPoint to, bool ink)
{
    for (QPoint cell : DigitalLine(from, to))
        PaintCell(cell, ink);
}

void CPenEditModel::Invalidate(const QRect& rect)
{
    if (m_pHost)
        m_pHost->InvalidateRect(rect);
}

bool CPenEditModel::OnButtonDown(QPoint px, bool left)
{
    QPoint cell;
    if (!CellAt(px, cell))
        return false;
    const bool ink = CellInk(m_nPenTool, left);
    if (m_nPenTool == kToolFill) {
        FloodFill(cell, ink);
        return false;
    }
    m_backup = m_tip.PenBits();
    PaintCell(cell, ink);
    m_bCapture = true;
    m_ptDown = px;
    m_ptPrev = px;
    m_cellLast = cell;
    return true;
}

void CPenEditModel::OnMove(QPoint px, bool left)
{
    QPoint cell;
    if (!m_bCapture || !CellAt(px, cell))
        return;
    if (m_nPenTool == kToolLine) {
        // Only the line of this move stays: the one of the last move goes.
        m_tip.PenBits() = m_backup;
        m_tip.RebuildPenStamp();
    }
    PaintLine(m_cellLast, cell, CellInk(m_nPenTool, left));
    if (m_nPenTool == kToolLine) {
        const QRect previous = QRect(m_ptDown, m_ptPrev).normalized();
        Invalidate(previous.adjusted(-m_nCell, -m_nCell, m_nCell, m_nCell));
    } else {
        m_cellLast = cell;
    }
    m_ptPrev = px;
}

void CPenEditModel::OnButtonUp()
{
    if (!m_bCapture)
        return;
    m_bCapture = false;
    Invalidate(PreviewFrameRect());
}

void CPenEditModel::ClearAll()
{
    m_tip.PenBits().fill(0xFF);
    m_tip.RebuildPenStamp();
    Invalidate(ImageArea());
}

std::vector<QPoint> CPenEditModel::DigitalLine(QPoint a, QPoint b)
{
    const int dx = std::abs(b.x() - a.x());
    const int dy = std::abs(b.y() - a.y());
    const bool xMajor = dy < dx;
    const QPoint start = (xMajor ? a.x() <= b.x() : a.y() <= b.y()) ? a : b;
    const QPoint end = start == a ? b : a;
    const int major = xMajor ? dx : dy;
    const int minor = xMajor ? dy : dx;
    const int minorEnd = xMajor ? end.y() : end.x();
    int minorPos = xMajor ? start.y() : start.x();
    const int minorStep = minorEnd >= minorPos ? 1 : -1;
    const int majorStart = xMajor ? start.x() : start.y();

    std::vector<QPoint> cells;
    cells.reserve(static_cast<size_t>(major) + 1);
    int err = major / 2;
    for (int i = 0; i <= major; ++i) {
        if (i > 0) {
            err -= minor;
            if (err < 0) {
                err += major;
                minorPos += minorStep;
            }
        }
        const int majorPos = majorStart + i;
        cells.push_back(xMajor ? QPoint(majorPos, minorPos) : QPoint(minorPos, majorPos));
    }
    return cells;
}

int CPenEditModel::RunStart(int x, int y, bool ink) const
{
    while (x - 1 >= 0 && !IsBorder(x - 1, y, ink))
        --x;
    return x;
}

// Each seed names the left end of its run. A seed is never on the stack twice
// and its run is painted whole when it is taken, so the stack holds distinct
// cells only and never overflows; the whole area is painted.
void CPenEditModel::OfferSeed(int x, int y, bool ink)
{
    x = RunStart(x, y, ink);
    const size_t key = static_cast<size_t>(y * kSide + x);
    if (m_onFillStack.test(key) || m_fillStack.size() >= kFillStackSize)
        return;
    m_onFillStack.set(key);
    m_fillStack.emplace_back(x, y);
}

void CPenEditModel::FloodFill(QPoint start, bool ink)
{
    m_fillStack.clear();
    m_onFillStack.reset();
    if (IsOnTip(start) && !IsBorder(start.x(), start.y(), ink))
        OfferSeed(start.x(), start.y(), ink);
    while (!m_fillStack.empty()) {
        const QPoint seed = m_fillStack.back();
        m_fillStack.pop_back();
        m_onFillStack.reset(static_cast<size_t>(seed.y() * kSide + seed.x()));
        const int y = seed.y();
        for (int x = RunStart(seed.x(), y, ink); x < kSide && !IsBorder(x, y, ink); ++x) {
            SetDot({x, y}, ink);
            if (y > 0 && !IsBorder(x, y - 1, ink))
                OfferSeed(x, y - 1, ink);
            if (y < kSide - 1 && !IsBorder(x, y + 1, ink))
                OfferSeed(x, y + 1, ink);
        }
    }
    m_tip.RebuildPenStamp();
    Invalidate(ImageArea());
}

bool CPenEditModel::SavePenFile(const QString& path)
{
    return CPenFile::SavePenFile(path, m_tip.PenBits(), m_box);
}

bool CPenEditModel::LoadPenFile(const QString& path)
{
    return CPenFile::LoadPenFile(path, m_tip, m_box);
}

bool CPenEditModel::Open(const QString& path)
{
    const bool loaded = LoadPenFile(path);
    Invalidate(ImageArea());
    return loaded;
}

// Another letter case names the same file only on a file system that ignores
// case; where case matters it is another file, and overwriting that one
// silently would lose it.
bool CPenEditModel::IsSameFileAsLastSave(const QString& path) const
{
    if (m_strLastSavePath.isEmpty())
        return false;
    if (path == m_strLastSavePath)
        return true;
    if (path.compare(m_strLastSavePath, Qt::CaseInsensitive) != 0)
        return false;
    std::error_code error;
    return std::filesystem::equivalent(FsPath(path), FsPath(m_strLastSavePath), error) && !error;
}

bool CPenEditModel::SaveAs(const QString& path)
{
    const QFileInfo info(path);
    if (!IsSameFileAsLastSave(path) && info.exists() && !info.isDir()) {
        if (!m_box.AskYesNo(QStringLiteral("%1 は既に存在します。\n上書きしますか？").arg(path)))
            return false;
    }
    m_strLastSavePath = path;
    return SavePenFile(path);
}
