#pragma once

#include <QStringList>

// The face names offered for the sample outline, and the prefix search that
// selects one of them.
class CFaceNameList
{
public:
    // Sorted, without empty names and the "@" vertical variants; duplicates
    // are kept.
    static QStringList Filter(const QStringList& families);
    // Index of the first entry that begins with the text, ignoring case; -1
    // when none does.
    static int FindPrefix(const QStringList& sortedNames, const QString& text);
};
