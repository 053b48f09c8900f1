#pragma once

#include <QString>

class QWidget;

// The file dialogs around the editor's font: choosing the .ttf file for the
// font file field ("..." button) and choosing where to save the font under a
// new name. Each gives an empty path when cancelled.
class CFontFileDialogs {
public:
    // A name without an extension gets ".ttf".
    static QString ChooseFontFile(QWidget* parent, const QString& currentPath = QString());
    static QString ChooseSaveAsFile(QWidget* parent, const QString& currentPath);
};
