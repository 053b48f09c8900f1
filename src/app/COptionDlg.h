#pragma once

#include "app/COptionValues.h"

#include <QDialog>
#include <functional>

class IMessageBox;
class QCheckBox;
class QComboBox;
class QLineEdit;

// The options dialog: canvas size, grid count, going on after Execute (to the
// next code, or to the next character the font lacks) and the stroke files. It edits copies; the caller applies what changed after OK.
class COptionDlg : public QDialog
{
    Q_OBJECT

public:
    using FolderChooser = std::function<QString(QWidget* owner)>;

    COptionDlg(IMessageBox& messages, QWidget* parent = nullptr);

    void SetValues(const COptionValues& values);
    COptionValues Values() const;
    int SizeIndex() const { return m_nSizeIndex; }

    // Replaces the folder browser, for tests; an empty result means cancelled.
    void SetFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }

    // The platform's folder browser titled "フォルダを選択してください".
    static QString BrowseForFolder(QWidget* owner);

public slots:
    void accept() override;

signals:
    void HelpRequested();

private:
    void BuildControls();
    void TransferToControls();
    bool TransferFromControls();
    void OnBrowseFolder();
    void Refuse(const QString& message, QWidget* field);

    IMessageBox& m_messages;
    FolderChooser m_chooseFolder;

    int m_nBmpSize = 512;
    int m_nSizeIndex = -1;
    bool m_bDoAndNext = false;
    int m_nGridSize = 3;
    bool m_bWriteStrokeFile = false;
    QString m_strStrkFolderPath;
    bool m_bNextMissing = false;

    QComboBox* m_pSizeList = nullptr;
    QLineEdit* m_pGridEdit = nullptr;
    QCheckBox* m_pDoAndNext = nullptr;
    QCheckBox* m_pNextMissing = nullptr;
    QCheckBox* m_pWriteStrokeFile = nullptr;
    QLineEdit* m_pFolderEdit = nullptr;
};
