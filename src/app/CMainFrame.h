#pragma once

#include <QHash>
#include <QMainWindow>

class CBmpPenEditWnd;
class CQuilleryView;
class QAction;

// The main window: holds the drawing view, the commands of the edit menu and
// the drawing toolbar, and the status bar with the pointer position.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    explicit CMainFrame(QWidget* parent = nullptr);

    CQuilleryView* View() const { return m_pView; }
    CBmpPenEditWnd* PenEditor() const { return m_pPenEditor; }
    QAction* Action(int id) const { return m_actions.value(id); }

    // Gives every command's action the enabled and checked state the model
    // reports now.
    void UpdateCommandStates();

private:
    QAction* AddCommand(int id, bool checkable);
    void BuildStatusBar();
    void BuildMenusAndToolbars();

    CQuilleryView* m_pView = nullptr;
    // Hidden until the user-defined tip is chosen; lives as long as the frame.
    CBmpPenEditWnd* m_pPenEditor = nullptr;
    QHash<int, QAction*> m_actions;
};
