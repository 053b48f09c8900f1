#include "strokes/PathHelpers.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
constexpr QChar kSeparator = u'/';
}

QString AddTrailingBackslash(const QString& path)
{
    if (path.endsWith(kSeparator))
        return path;
    return path + kSeparator;
}

QString RemoveTrailingBackslash(const QString& path)
{
    if (path.endsWith(kSeparator))
        return path.chopped(1);
    return path;
}

bool DirectoryExists(const QString& path)
{
    if (path == QString(kSeparator))
        return true;
    const QString dir = RemoveTrailingBackslash(path);
    if (dir.isEmpty())
        return false;
    return QFileInfo(dir).isDir();
}

bool CreateDirectoryPath(const QString& path)
{
    const QString dir = RemoveTrailingBackslash(path);
    if (dir.isEmpty())
        return false;
    return QDir().mkpath(dir) && QFileInfo(dir).isDir();
}

bool GetSpecialFolderPath(SpecialFolder folder, QString& out)
{
    QString path;
    switch (folder) {
    case SpecialFolder::Documents:
        path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        break;
    }
    if (path.isEmpty())
        return false;
    out = path;
    return true;
}
