#pragma once

#include "fonteditor/IFontCachePlatform.h"

// fontconfig's own programs: fc-cache refreshes the cache, fc-scan reads the
// names. Each run is bounded, so a hung tool cannot hang the program.
class CFontconfigTools : public IFontCachePlatform {
public:
    SRefresh RefreshCache(const QString& folder) override;
    QList<SScannedFont> Scan(const QString& path, bool* toolMissing = nullptr) override;

    // Programs to run instead of fc-cache and fc-scan (tests).
    void SetPrograms(QString cache, QString scan);

private:
    QString m_strCache = QStringLiteral("fc-cache");
    QString m_strScan = QStringLiteral("fc-scan");
};
