#include "app/CMainFrame.h"

#include "app/CSettingsStore.h"
#include "canvas/CQuilleryView.h"
#include "res/CStringTable.h"
#include "res/CommandIds.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace {

constexpr int kPositionPaneWidth = 50;

QString MenuLabel(const QString& menuText)
{
    // The table's text carries its shortcut after a tab; Qt shows the
    // action's own shortcut instead.
    return menuText.section(QLatin1Char('\t'), 0, 0);
}

} // namespace

CMainFrame::CMainFrame(QWidget* parent, const CViewSettings& settings)
    : QMainWindow(parent)
    , m_pView(new CQuilleryView(this, settings))
{
    setWindowTitle(QStringLiteral("Quillery"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    setCentralWidget(m_pView);
    // The window takes the size its contents ask for and no other.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    BuildStatusBar();
    BuildMenusAndToolbars();
    connect(m_pView, &CQuilleryView::StateChanged, this, &CMainFrame::UpdateCommandStates);
    UpdateCommandStates();
}

void CMainFrame::AttachSettings(const CSettingsStore* store)
{
    if (store)
        store->ReadRegString(CViewSettings::kSection, QStringLiteral("FontFilePath"), m_strFontFilePath);
    m_pView->SetSettingsStore(store);
    m_pView->SetFontFilePathAtClose(m_strFontFilePath);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    m_pView->SetFontFilePathAtClose(m_strFontFilePath);
    QMainWindow::closeEvent(event);
}

void CMainFrame::BuildStatusBar()
{
    auto* xPane = new QLabel(this);
    auto* yPane = new QLabel(this);
    for (QLabel* pane : {xPane, yPane}) {
        pane->setMinimumWidth(kPositionPaneWidth);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(pane);
    }
    m_pView->SetStatusPanes(xPane, yPane);
}

QAction* CMainFrame::AddCommand(int id, bool checkable)
{
    const CStringTable::CommandText text = CStringTable::Command(id);
    auto* action = new QAction(MenuLabel(text.menu), this);
    action->setStatusTip(text.prompt);
    action->setToolTip(text.toolTip.isEmpty() ? MenuLabel(text.menu) : text.toolTip);
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [this, id] { m_pView->OnCommand(id); });
    m_actions.insert(id, action);
    return action;
}

void CMainFrame::BuildMenusAndToolbars()
{
    using namespace cmd;
    QAction* undo = AddCommand(ID_EDIT_UNDO, false);
    undo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    QAction* redo = AddCommand(ID_EDIT_REDO, false);
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    QAction* clear = AddCommand(ID_CLEAR_ALL, false);
    clear->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    edit->addAction(clear);

    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    view->addAction(AddCommand(ID_VIEW_SAMPLE, true));
    view->addAction(AddCommand(ID_VIEW_GRID, true));

    auto* tools = new QToolBar(QStringLiteral("描画"), this);
    tools->setMovable(false);
    addToolBar(Qt::LeftToolBarArea, tools);
    for (int id : {ID_TOOL_PEN, ID_TOOL_ERASER})
        tools->addAction(AddCommand(id, true));
    tools->addSeparator();
    for (int id : {ID_TIP_10, ID_TIP_20, ID_TIP_30, ID_TIP_40, ID_TIP_USER})
        tools->addAction(AddCommand(id, true));
}

void CMainFrame::UpdateCommandStates()
{
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const CommandState state = m_pView->UpdateCommand(it.key());
        it.value()->setEnabled(state.enabled);
        if (it.value()->isCheckable())
            it.value()->setChecked(state.checked);
    }
}
