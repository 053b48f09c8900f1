#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What installing a font needs from fontconfig: refreshing its cache for one
// folder and reading the family names of font files. Implemented by
// CFontconfigTools with the fontconfig programs and by test doubles.
class IFontCachePlatform {
public:
    enum class EOutcome { Done, ToolMissing, Failed };
    struct SRefresh {
        EOutcome outcome = EOutcome::Done;
        QString detail; // the tool's own words when it failed
    };
    struct SScannedFont {
        QString file;
        QStringList families; // the English name first when the font has one
    };

    virtual ~IFontCachePlatform() = default;

    virtual SRefresh RefreshCache(const QString& folder) = 0;
    // Every face in a font file, or in the font files of a folder and its
    // subfolders; empty when the tool is missing or nothing is a font.
    virtual QList<SScannedFont> Scan(const QString& path, bool* toolMissing = nullptr) = 0;
};
