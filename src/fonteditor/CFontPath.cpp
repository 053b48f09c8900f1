#include "fonteditor/CFontPath.h"

#include "strokes/PathHelpers.h"

#include <QDir>
#include <QFileInfo>

QString CFontPath::Resolve(const QString& fieldText)
{
    const QString text = fieldText.trimmed();
    if (text.isEmpty())
        return QString();
    if (text == u"~" || text.startsWith(QStringLiteral("~/")))
        return WithSuffix(QDir::cleanPath(QDir::homePath() + text.mid(1)));
    if (QDir::isAbsolutePath(text))
        return WithSuffix(QDir::cleanPath(text));
    // Not the working folder, which depends on how the program was started.
    QString documents = QDir::homePath();
    GetSpecialFolderPath(SpecialFolder::Documents, documents);
    return WithSuffix(QDir::cleanPath(QDir(documents).absoluteFilePath(text)));
}

QString CFontPath::WithSuffix(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.suffix().isEmpty() || info.exists() || path.endsWith(u'/'))
        return path;
    return path + QStringLiteral(".ttf");
}

bool CFontPath::IsSameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const auto key = [](const QString& path) {
        const QFileInfo info(path);
        const QString canonical = info.canonicalFilePath();
        return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
    };
    return key(a) == key(b);
}
