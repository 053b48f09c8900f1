#pragma once

#include <QString>

// Folder and file paths. The separator is the platform's "/": the names keep
// the word "backslash" because every caller speaks of a folder path with its
// trailing separator, whatever character that is.

// Appends "/" unless the path already ends in one.
QString AddTrailingBackslash(const QString& path);
// Removes one final "/" if there is one.
QString RemoveTrailingBackslash(const QString& path);
// True for the root "/"; otherwise whether the path (with or without a
// trailing "/") names an existing directory.
bool DirectoryExists(const QString& path);
// Creates every missing directory along the path; true when it exists after.
bool CreateDirectoryPath(const QString& path);

enum class SpecialFolder {
    Documents, // the user's documents folder (XDG_DOCUMENTS_DIR)
};

// Sets out to the folder's path and returns true; leaves out unchanged and
// returns false when the platform cannot name it.
bool GetSpecialFolderPath(SpecialFolder folder, QString& out);
