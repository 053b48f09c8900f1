#include "chartable/CCharTableSettings.h"

#include "app/CSettingsStore.h"

namespace {

// Window geometry as Qt saves it is a few dozen bytes.
constexpr qsizetype kMaxGeometryBytes = 4096;

} // namespace

const QList<int>& CCharTableSettings::CellSizes()
{
    static const QList<int> sizes = {32, 48, 64, 96};
    return sizes;
}

void CCharTableSettings::Read(const CSettingsStore& store)
{
    QByteArray geometry;
    if (store.ReadRegBinary(kSection, QStringLiteral("Geometry"), geometry) && geometry.size() <= kMaxGeometryBytes)
        m_geometry = geometry;
    int32_t value = 0;
    if (store.ReadRegDword(kSection, QStringLiteral("CellSize"), value) && CellSizes().contains(value))
        m_nCellSize = value;
    if (store.ReadRegDword(kSection, QStringLiteral("CharSet"), value) && value >= 0 &&
        value <= static_cast<int>(CCharSets::kLast))
        m_set = static_cast<ECharSet>(value);
    if (store.ReadRegDword(kSection, QStringLiteral("Filter"), value) && value >= 0 &&
        value <= static_cast<int>(CCharTable::EFilter::StrokeOnly))
        m_filter = static_cast<CCharTable::EFilter>(value);
    store.ReadRegString(kSection, QStringLiteral("OwnText"), m_strOwnText);
}

void CCharTableSettings::Write(const CSettingsStore& store) const
{
    store.WriteRegBinary(kSection, QStringLiteral("Geometry"), m_geometry);
    store.WriteRegDword(kSection, QStringLiteral("CellSize"), m_nCellSize);
    store.WriteRegDword(kSection, QStringLiteral("CharSet"), static_cast<int32_t>(m_set));
    store.WriteRegDword(kSection, QStringLiteral("Filter"), static_cast<int32_t>(m_filter));
}

void CCharTableSettings::WriteOwnText(const CSettingsStore& store, const QString& text)
{
    store.WriteRegString(kSection, QStringLiteral("OwnText"), text);
}
