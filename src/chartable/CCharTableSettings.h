#pragma once

#include "chartable/CCharTable.h"

#include <QByteArray>
#include <QList>

class CSettingsStore;

// The character table's own preferences, in a settings group of its own:
// where its window was and how large, the cell size, the set, the filter
// and the user's own text. A value that is missing or out of range keeps
// its default.
class CCharTableSettings
{
public:
    static inline const QString kSection = QStringLiteral("CharTable");
    static constexpr int kDefaultCellSize = 48;

    // The cell sizes offered, in pixels.
    static const QList<int>& CellSizes();

    void Read(const CSettingsStore& store);
    void Write(const CSettingsStore& store) const;
    // The text is written when it changes, not with the window.
    static void WriteOwnText(const CSettingsStore& store, const QString& text);

    QByteArray m_geometry;
    int m_nCellSize = kDefaultCellSize;
    ECharSet m_set = ECharSet::Hiragana;
    CCharTable::EFilter m_filter = CCharTable::EFilter::All;
    QString m_strOwnText;
};
