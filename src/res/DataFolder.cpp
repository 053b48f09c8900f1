#include "res/DataFolder.h"

#include <QDir>
#include <QFileInfo>

QString InstalledDataFolder(const QString& applicationDir)
{
    return QDir::cleanPath(applicationDir + QStringLiteral("/../share/quillery"));
}

QString DataFilePath(const QString& applicationDir, const QString& name)
{
    const QString beside = QDir(applicationDir).filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir(InstalledDataFolder(applicationDir)).filePath(name);
    return QFileInfo::exists(installed) ? installed : beside;
}
