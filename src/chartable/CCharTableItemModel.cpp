#include "chartable/CCharTableItemModel.h"

#include "chartable/CCharPlan.h"
#include "chartable/CCharTable.h"
#include "strokes/CodePage932.h"
#include "res/NumberText.h"


CCharTableItemModel::CCharTableItemModel(CCharTable& table, QObject* parent)
    : QAbstractListModel(parent), m_table(table)
{
}

int CCharTableItemModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_table.Cells().size());
}

CCharCell CCharTableItemModel::CellAt(const QModelIndex& index) const
{
    return m_table.Cells().value(index.row());
}

QVariant CCharTableItemModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_table.Cells().size())
        return {};
    const CCharCell cell = CellAt(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: return CCharTable::CharText(cell);
    case Qt::ToolTipRole: return ToolTip(cell);
    case kKeyRole: return cell.Key();
    default: return {};
    }
}

Qt::ItemFlags CCharTableItemModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || CellAt(index).IsCoded())
        return QAbstractListModel::flags(index);
    return Qt::ItemNeverHasChildren;
}

// Both codes are shown: the editor knows a character by its Shift-JIS code,
// stroke files are named after its Unicode code.
QString CCharTableItemModel::ToolTip(const CCharCell& cell) const
{
    const QString text = CCharTable::CharText(cell);
    const char32_t unicode = cell.IsCoded() ? CharToUnicode(cell.code) : cell.uncoded;
    const QString ucs = QStringLiteral("U+%1").arg(QString::number(unicode, 16).toUpper().rightJustified(4, u'0'));
    if (!cell.IsCoded())
        return QStringLiteral("%1　%2　%3").arg(text, ucs, CCharPlan::UncodedReason(cell.uncoded));
    QStringList parts {QStringLiteral("%1　0x%2 / %3").arg(text, QString::number(cell.code, 16).toUpper(), ucs)};
    if (cell.vertical)
        parts << QStringLiteral("縦書き");
    if (m_table.GlyphsKnown())
        parts << (m_table.HasGlyph(cell) ? QStringLiteral("作成済み") : QStringLiteral("未作成"));
    if (m_table.HasStrokeFile(cell))
        parts << QStringLiteral("ストロークファイル %1 あり").arg(CCharTable::StrokeFileName(cell));
    if (m_table.Set() == ECharSet::OwnText)
        if (const int count = m_table.Plan().OwnText().CountOf(cell))
            parts << QStringLiteral("文章に %1 回").arg(NumberText(count));
    return parts.join(QStringLiteral("　"));
}

void CCharTableItemModel::ResetCells()
{
    beginResetModel();
    endResetModel();
}

void CCharTableItemModel::CellsChanged(const QList<CCharCell>& cells)
{
    for (const CCharCell& cell : cells) {
        const int row = m_table.RowOf(cell);
        if (row >= 0)
            emit dataChanged(index(row), index(row));
    }
}
