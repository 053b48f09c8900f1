#include "chartable/CCharTableItemModel.h"

#include "chartable/CCharTable.h"

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
    case Qt::ToolTipRole: {
        const QString hex = QString::number(cell.code, 16).toUpper();
        QStringList parts {QStringLiteral("%1  0x%2").arg(CCharTable::CharText(cell), hex)};
        if (cell.vertical)
            parts << QStringLiteral("縦書き");
        if (m_table.GlyphsKnown())
            parts << (m_table.HasGlyph(cell) ? QStringLiteral("作成済み") : QStringLiteral("未作成"));
        if (m_table.HasStrokeFile(cell))
            parts << QStringLiteral("ストロークファイルあり");
        return parts.join(QStringLiteral("　"));
    }
    case kKeyRole: return cell.Key();
    default: return {};
    }
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
