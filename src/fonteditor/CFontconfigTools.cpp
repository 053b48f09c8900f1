#include "fonteditor/CFontconfigTools.h"

#include <QDir>
#include <QProcess>

namespace {

constexpr int kToolBoundMs = 60'000;

} // namespace

void CFontconfigTools::SetPrograms(QString cache, QString scan)
{
    m_strCache = std::move(cache);
    m_strScan = std::move(scan);
}

// Forced, as a file replaced within the same second would leave the folder's
// time unchanged and the cache would be taken as current.
IFontCachePlatform::SRefresh CFontconfigTools::RefreshCache(const QString& folder)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(m_strCache, { QStringLiteral("-f"), QDir::toNativeSeparators(folder) });
    if (!process.waitForStarted())
        return { EOutcome::ToolMissing, {} };
    if (!process.waitForFinished(kToolBoundMs)) {
        process.kill();
        process.waitForFinished();
        return { EOutcome::Failed, QStringLiteral("fc-cache が終わりません。") };
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return { EOutcome::Failed, QString::fromLocal8Bit(process.readAll()).trimmed() };
    return {};
}

QList<IFontCachePlatform::SScannedFont> CFontconfigTools::Scan(const QString& path, bool* toolMissing)
{
    if (toolMissing)
        *toolMissing = false;
    QProcess process;
    // One line a face: the file, a tab, the family names with the language
    // of each, so that the English name can be put first.
    process.start(
        m_strScan, { QStringLiteral("--format"), QStringLiteral("%{file}\\t%{family}\\t%{familylang}\\n"), path });
    if (!process.waitForStarted()) {
        if (toolMissing)
            *toolMissing = true;
        return {};
    }
    if (!process.waitForFinished(kToolBoundMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    QList<SScannedFont> fonts;
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 3 || fields[0].isEmpty())
            continue;
        const QStringList names = fields[1].split(QLatin1Char(','), Qt::SkipEmptyParts);
        const QStringList langs = fields[2].split(QLatin1Char(','));
        SScannedFont font { fields[0], {} };
        for (int i = 0; i < names.size(); ++i) {
            if (i < langs.size() && langs[i] == QLatin1String("en"))
                font.families.prepend(names[i]);
            else
                font.families.append(names[i]);
        }
        fonts.append(font);
    }
    return fonts;
}
