#pragma once

// Qt's own texts (standard buttons, file dialogs, command-line help) in
// Japanese like the rest of the program, from the qtbase translations Qt
// ships, for the rest of the run; false when they are missing.
bool InstallJapaneseQtTranslations();
