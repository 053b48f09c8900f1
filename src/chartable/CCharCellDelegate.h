#pragma once

#include <QCache>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <functional>

class CCharTable;
class ISampleGlyphSource;
struct CCharCell;

// Paints one cell: the glyph as the font has it, filled and scaled to the
// cell, or else the character in the sample face in light grey; a small mark
// in the corner when the stroke folder holds its stroke file. Painting never
// waits for the editor: an outline not fetched yet is asked for through
// the wanted callback and the cell is painted again when it has come.
class CCharCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    CCharCellDelegate(CCharTable& table, ISampleGlyphSource& samples, std::function<QString()> faceName,
                      std::function<void(const CCharCell&)> wanted, QObject* parent = nullptr);

    void SetCellSize(int side) { m_nSide = side; }
    int CellSize() const { return m_nSide; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    struct Sample
    {
        QPainterPath path;
        double em = 0;
        double descent = 0;
    };
    const Sample* SampleOf(const CCharCell& cell) const;

    CCharTable& m_table;
    ISampleGlyphSource& m_samples;
    std::function<QString()> m_faceName;
    std::function<void(const CCharCell&)> m_wanted;
    int m_nSide = 48;
    mutable QCache<quint32, Sample> m_sampleCache {2000};
    mutable QString m_strCachedFace;
};
