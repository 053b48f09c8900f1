#pragma once

#include <QDialog>

// The about box: the program's name and version, what it does, the font
// editor it drives and the licence it comes under.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    // editorVersion is the version string the running editor reports; empty
    // when no editor is connected yet.
    CAboutDlg(const QString& editorVersion, QWidget* parent = nullptr);

    static QString EditorLine(const QString& editorVersion);
    static QString LicenceText();
};
