#pragma once

#include <QString>

// How the program reads a font file's name: the font file field's text, a
// name typed without an extension, and whether two names are one file.
class CFontPath {
public:
    // The field's text as a full path: a bare name or a relative path is
    // taken in the user's documents folder, "~" is the home folder, and a
    // name without an extension gets ".ttf" unless a file of that very name
    // exists. Empty for an empty field.
    static QString Resolve(const QString& fieldText);
    // A font file named without an extension gets ".ttf", as in the file
    // dialogs; a file or folder of that very name is taken as it is.
    static QString WithSuffix(const QString& path);
    static bool IsSameFile(const QString& a, const QString& b);
};
