#pragma once

#include <QDialog>
#include <functional>

class IMessageBox;
class QPlainTextEdit;

// "自分の文章": the user pastes a text or opens a text file; the characters
// of that text become a set of the character table.
class COwnTextDlg : public QDialog
{
    Q_OBJECT

public:
    using FileChooser = std::function<QString(QWidget* owner)>;

    COwnTextDlg(const QString& text, IMessageBox& messages, QWidget* parent = nullptr);

    QString Text() const;
    QPlainTextEdit* Editor() const { return m_pEdit; }
    // Replaces the file dialog, for tests; an empty result means cancelled.
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

signals:
    void HelpRequested();

private:
    void OnOpenFile();
    static QString ChooseTextFile(QWidget* owner);

    IMessageBox& m_messages;
    FileChooser m_chooseFile;
    QPlainTextEdit* m_pEdit = nullptr;
};
