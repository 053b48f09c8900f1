#include "chartable/CCharCellDelegate.h"

#include "canvas/ISampleGlyphSource.h"
#include "canvas/OutlinePath.h"
#include "chartable/CCharTable.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kMargin = 3;
const QColor kSampleColour(0xC0, 0xC0, 0xC0);
const QColor kFrameColour(0xD0, 0xD0, 0xD0);
const QColor kStrokeMarkColour(0x20, 0x60, 0xE0);
// A character that cannot be made: a hatched grey ground.
const QColor kUncodedGround(0xEC, 0xEC, 0xEC);
const QColor kUncodedHatch(0xD4, 0xD4, 0xD4);

// Fills a path in font units (y up) so that a full-width box from descent
// below to ascent above the baseline fits the cell; the character's own
// advance (half of it for single-byte characters) is centred in it.
void FillInCell(QPainter* painter, const QRectF& cell, const QPainterPath& path, double advance, double fullAdvance,
                double ascent, double descent, const QColor& colour)
{
    const double height = ascent + descent;
    if (advance <= 0 || fullAdvance <= 0 || height <= 0)
        return;
    const QRectF area = cell.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const double scale = std::min(area.width() / fullAdvance, area.height() / height);
    const double left = area.left() + (area.width() - advance * scale) / 2;
    const double top = area.top() + (area.height() - height * scale) / 2;
    QTransform transform;
    transform.translate(left, top + ascent * scale);
    transform.scale(scale, -scale);
    painter->fillPath(transform.map(path), colour);
}

} // namespace

CCharCellDelegate::CCharCellDelegate(CCharTable& table, ISampleGlyphSource& samples, std::function<QString()> faceName,
                                     std::function<void(const CCharCell&)> wanted, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_table(table)
    , m_samples(samples)
    , m_faceName(std::move(faceName))
    , m_wanted(std::move(wanted))
{
}

QSize CCharCellDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return {m_nSide, m_nSide};
}

const CCharCellDelegate::Sample* CCharCellDelegate::SampleOf(const CCharCell& cell) const
{
    const QString face = m_faceName ? m_faceName() : QString();
    if (face != m_strCachedFace) {
        m_sampleCache.clear();
        m_strCachedFace = face;
    }
    if (const Sample* cached = m_sampleCache.object(cell.Key()))
        return cached;
    const CSampleGlyph glyph = m_samples.Glyph(face, CCharTable::CharText(cell), cell.vertical);
    auto* sample = new Sample;
    sample->path = glyph.outline;
    sample->em = glyph.hasOutlineMetrics ? glyph.unitsPerEm : 0;
    sample->descent = std::abs(glyph.descender);
    m_sampleCache.insert(cell.Key(), sample);
    return m_sampleCache.object(cell.Key());
}

void CCharCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const CCharCell cell = m_table.Cells().value(index.row());
    const QRectF rect = option.rect;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    painter->fillRect(rect, selected ? option.palette.color(QPalette::Highlight).lighter(160) : QColor(Qt::white));
    if (!cell.IsCoded()) {
        painter->fillRect(rect, kUncodedGround);
        painter->fillRect(rect, QBrush(kUncodedHatch, Qt::BDiagPattern));
    }
    painter->setPen(selected ? option.palette.color(QPalette::Highlight) : kFrameColour);
    painter->drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));

    const CFontMetrics& metrics = m_table.Metrics();
    const bool fetching = m_table.NeedsOutline(cell);
    if (fetching && m_wanted)
        m_wanted(cell);
    const CGlyphOutline* outline = m_table.CachedOutline(cell);
    if (outline) {
        FillInCell(painter, rect, OutlinePath(*outline), metrics.AdvanceOf(cell.code), metrics.advance, metrics.ascent,
                   metrics.descent, Qt::black);
    } else if (const Sample* sample = SampleOf(cell); sample && sample->em > 0) {
        const double advance = cell.code <= 0xFF ? sample->em / 2 : sample->em;
        FillInCell(painter, rect, sample->path, advance, sample->em, sample->em - sample->descent, sample->descent,
                   kSampleColour);
    }
    // A glyph the editor could not describe still shows that it is there.
    if (m_table.HasGlyph(cell) && !outline && !fetching)
        painter->fillRect(QRectF(rect.left() + 2, rect.bottom() - 6, 5, 5), Qt::black);
    if (m_table.HasStrokeFile(cell)) {
        const double s = std::max(6.0, rect.width() / 6);
        QPainterPath mark;
        mark.moveTo(rect.right() - s, rect.top());
        mark.lineTo(rect.right(), rect.top());
        mark.lineTo(rect.right(), rect.top() + s);
        mark.closeSubpath();
        painter->fillPath(mark, kStrokeMarkColour);
    }
    if (option.state.testFlag(QStyle::State_HasFocus)) {
        painter->setPen(QPen(option.palette.color(QPalette::Highlight), 1, Qt::DotLine));
        painter->drawRect(rect.adjusted(1.5, 1.5, -1.5, -1.5));
    }
    painter->restore();
}
