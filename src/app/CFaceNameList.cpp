#include "app/CFaceNameList.h"

#include <algorithm>

QStringList CFaceNameList::Filter(const QStringList& families)
{
    QStringList names;
    for (const QString& family : families)
        if (!family.isEmpty() && !family.startsWith(QLatin1Char('@')))
            names << family;
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

int CFaceNameList::FindPrefix(const QStringList& sortedNames, const QString& text)
{
    for (qsizetype i = 0; i < sortedNames.size(); ++i)
        if (sortedNames[i].startsWith(text, Qt::CaseInsensitive))
            return static_cast<int>(i);
    return -1;
}
