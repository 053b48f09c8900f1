#pragma once

#include <QString>

// Where the program's data files are: the bitmap templates, the font editor's
// registration and server, the help file. In the build tree they lie beside
// the executable; installed, the executable is in <prefix>/bin and they are
// in <prefix>/share/quillery. A file found beside the executable wins; when
// it is found in neither place, the path beside the executable is given, so
// that a message names the place a developer would look first.
QString DataFilePath(const QString& applicationDir, const QString& name);

// The installed data folder that belongs to an executable's folder.
QString InstalledDataFolder(const QString& applicationDir);
