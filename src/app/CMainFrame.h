#pragma once

#include "app/CViewSettings.h"

#include <QHash>
#include <QMainWindow>

class CQuilleryView;
class CSettingsStore;
class QAction;

// The main window: holds the drawing view, the commands of the edit and view
// menus and the drawing toolbar, and the status bar with the pointer
// position. Its size follows the canvas; the user cannot resize it.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    explicit CMainFrame(QWidget* parent = nullptr, const CViewSettings& settings = CViewSettings());

    // Reads the font file path of the last run and lets the view store the
    // settings when it goes away.
    void AttachSettings(const CSettingsStore* store);
    const QString& FontFilePath() const { return m_strFontFilePath; }

    CQuilleryView* View() const { return m_pView; }
    QAction* Action(int id) const { return m_actions.value(id); }

    // Gives every command's action the enabled and checked state the model
    // reports now.
    void UpdateCommandStates();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(int id, bool checkable);
    void BuildStatusBar();
    void BuildMenusAndToolbars();

    CQuilleryView* m_pView = nullptr;
    QHash<int, QAction*> m_actions;
    QString m_strFontFilePath;
};
