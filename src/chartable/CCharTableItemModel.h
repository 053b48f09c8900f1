#pragma once

#include "chartable/CCharSets.h"

#include <QAbstractListModel>

class CCharTable;

// The table's shown cells as rows for Qt's list view; the view asks for
// nothing but the rows in sight.
class CCharTableItemModel : public QAbstractListModel
{
    Q_OBJECT

public:
    static constexpr int kKeyRole = Qt::UserRole;

    explicit CCharTableItemModel(CCharTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // A character the code page lacks cannot be chosen.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // "ォ　0x8348 / U+30A9　作成済み", and what else the cell's state is.
    QString ToolTip(const CCharCell& cell) const;

    CCharCell CellAt(const QModelIndex& index) const;
    // The shown cells were made anew (another set, filter or a reload).
    void ResetCells();
    // Only these cells look different now.
    void CellsChanged(const QList<CCharCell>& cells);

private:
    CCharTable& m_table;
};
