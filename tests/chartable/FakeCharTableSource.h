#pragma once

#include "chartable/CCharSets.h"
#include "chartable/ICharTableSource.h"

#include <QMap>
#include <QStringList>

// A font held in memory: its glyphs by cell with their outline text; an
// editor without the table's members when lacking is set.
class FakeCharTableSource : public ICharTableSource
{
public:
    void Connect() override { ++connects; }
    bool Attach() override { return true; }
    CSourceAnswer GlyphCodes() override
    {
        if (lacking)
            return {CSourceAnswer::EStatus::Lacking, {}};
        QStringList codes;
        for (auto it = glyphs.cbegin(); it != glyphs.cend(); ++it) {
            const CCharCell cell = CCharCell::FromKey(it.key());
            codes << QString::number(cell.code, 16).toUpper() + (cell.vertical ? "v" : "");
        }
        return {CSourceAnswer::EStatus::Ok, codes.join(' ')};
    }
    CSourceAnswer GlyphOutline(quint16 code, bool vertical) override
    {
        ++outlineCalls;
        if (lacking)
            return {CSourceAnswer::EStatus::Lacking, {}};
        return {CSourceAnswer::EStatus::Ok, glyphs.value(CCharCell {code, vertical}.Key())};
    }
    CSourceAnswer Metrics() override { return {CSourceAnswer::EStatus::Ok, QStringLiteral("1000 880 120 1000")}; }
    CSourceAnswer RemoveGlyph(quint16 code, bool vertical) override
    {
        glyphs.remove(CCharCell {code, vertical}.Key());
        return {};
    }
    QString StrokeFolder() const override { return folder; }

    // A square in the em box, as the editor would describe it.
    static inline const QString kSquare = QStringLiteral("A 1000 M 100 -100 L 900 -100 L 900 800 L 100 800 Z");

    QMap<quint32, QString> glyphs;
    QString folder;
    bool lacking = false;
    int connects = 0;
    int outlineCalls = 0;
};
