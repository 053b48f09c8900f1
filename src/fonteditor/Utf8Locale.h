#pragma once

#include <QProcessEnvironment>

// File names, arguments and the font editor's paths are UTF-8 whatever
// locale the program was started under (cron and services often give "C").

// Called first in main, before Qt is set up: when the locale's character set
// is not UTF-8, the program and every process it starts use C.UTF-8 instead,
// so that Qt has nothing to warn about and behaves as under a UTF-8 locale.
void EnsureUtf8Locale();

// The environment for a process started by the program: the given one, with
// C.UTF-8 in place of a locale that is not UTF-8, and Python told to use
// UTF-8 for file names and text.
QProcessEnvironment Utf8Environment(QProcessEnvironment environment);
