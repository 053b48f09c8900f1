#include "fonteditor/WorkFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

QString WithSlash(const QString& path)
{
    return path.endsWith('/') ? path : path + '/';
}

} // namespace

QString GetWorkFolder()
{
    const QString temp = QDir::tempPath();
    if (QFileInfo(temp).isDir())
        return WithSlash(temp);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return WithSlash(documents.isEmpty() ? temp : documents);
}

QString CreateWorkFile()
{
    QTemporaryFile file(GetWorkFolder() + QStringLiteral("QLXXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        return QString();
    return QFileInfo(file.fileName()).absoluteFilePath();
}
