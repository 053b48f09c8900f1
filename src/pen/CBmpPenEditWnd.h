#pragma once

#include "pen/CPenEditModel.h"

#include <QHash>
#include <QMainWindow>
#include <memory>

class CPenGridWidget;
class IMessageBox;
class QAction;
class QToolBar;

// The pen editor: a tool window beside the main window in which the user draws
// the user-defined tip dot by dot, with its toolbar docked at the right.
// Closing it only hides it, so tool, zoom and last save path stay for the
// next showing. The tip is the drawing model's and is edited in place.
class CBmpPenEditWnd : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kWidth = 610;
    static constexpr int kHeight = 510;
    static constexpr int kButtonSide = 36;

    // `box` shows the messages; without one the window uses Qt's message box.
    CBmpPenEditWnd(CPenTip& tip, QWidget* owner, IMessageBox* box = nullptr);
    ~CBmpPenEditWnd() override;

    CPenEditModel& Model() { return m_model; }
    CPenGridWidget* Area() const { return m_pArea; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    QAction* Action(int id) const { return m_actions.value(id); }

    bool OnCommand(int id);
    // Shows the window if it is hidden; where is its owner's choice.
    void ShowEditor();

signals:
    // The tip may have changed: a drawing on the grid or a command ended.
    void TipEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The file dialogs; an empty path means the user cancelled.
    virtual QString ChooseOpenPath();
    virtual QString ChooseSavePath(const QString& initialPath);

    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildToolBar();
    void SetButtonSizes();
    void UpdateCommandStates();
    void OpenFile();
    void SaveFile();

    std::unique_ptr<IMessageBox> m_pOwnBox;
    CPenEditModel m_model;
    CPenGridWidget* m_pArea = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QHash<int, QAction*> m_actions;
};
