#pragma once

#include <QString>

// The folder for the program's short-lived files, ending in a slash: the
// system's temporary folder, or the user's documents folder when the former
// does not exist.
QString GetWorkFolder();

// Creates a new, empty, uniquely named "QL….tmp" file in the work folder and
// gives its full path; empty when no file could be created.
QString CreateWorkFile();
