#include "pen/CBmpPenEditWnd.h"

#include "app/CQtMessageBox.h"
#include "pen/CPenGridWidget.h"
#include "res/CStringTable.h"
#include "res/CommandIds.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QToolBar>
#include <QToolButton>

namespace {

const QString kFilters = QStringLiteral("ペンファイル (*.pen);;すべてのファイル (*)");

struct Button
{
    int id;
    const char* image;
};

// Toolbar order; id 0 is a separator.
constexpr Button kButtons[] = {
    {cmd::ID_PEN_EDIT_PEN, "pen"},     {cmd::ID_PEN_EDIT_ERASER, "eraser"},
    {cmd::ID_PEN_EDIT_LINE, "line"},   {cmd::ID_PEN_EDIT_FILL, "fill"},
    {0, nullptr},                      {cmd::ID_PEN_EDIT_CLEAR, "clear"},
    {0, nullptr},                      {cmd::ID_PEN_FILE_OPEN, "open"},
    {cmd::ID_PEN_FILE_SAVE, "save"},
};

bool IsToolCommand(int id)
{
    return id == cmd::ID_PEN_EDIT_PEN || id == cmd::ID_PEN_EDIT_ERASER || id == cmd::ID_PEN_EDIT_LINE ||
           id == cmd::ID_PEN_EDIT_FILL;
}

QFileDialog::Options DialogOptions()
{
    // The save dialog never asks about overwriting: the editor asks itself.
    return QFileDialog::DontConfirmOverwrite;
}

} // namespace

CBmpPenEditWnd::CBmpPenEditWnd(CPenTip& tip, QWidget* owner, IMessageBox* box)
    : QMainWindow(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                             Qt::WindowCloseButtonHint)
    , m_pOwnBox(box ? nullptr : std::make_unique<CQtMessageBox>(this))
    , m_model(tip, box ? *box : *m_pOwnBox)
{
    setWindowTitle(QStringLiteral("ユーザ定義ペンの編集"));
    m_pArea = new CPenGridWidget(m_model, this);
    setCentralWidget(m_pArea);
    BuildToolBar();
    setFixedSize(kWidth, kHeight);
    m_pArea->installEventFilter(this);
    UpdateCommandStates();
}

CBmpPenEditWnd::~CBmpPenEditWnd() = default;

void CBmpPenEditWnd::BuildToolBar()
{
    m_pToolBar = new QToolBar(QStringLiteral("ペン"), this);
    m_pToolBar->setMovable(false);
    m_pToolBar->setFloatable(false);
    m_pToolBar->setAllowedAreas(Qt::RightToolBarArea);
    addToolBar(Qt::RightToolBarArea, m_pToolBar);
    for (const Button& button : kButtons) {
        if (button.id == 0) {
            m_pToolBar->addSeparator();
            continue;
        }
        const CStringTable::CommandText text = CStringTable::Command(button.id);
        auto* action = new QAction(QIcon(QStringLiteral(":/toolbar/pen_%1.xpm").arg(QLatin1String(button.image))),
                                   text.toolTip, this);
        action->setToolTip(text.toolTip);
        action->setStatusTip(text.prompt);
        action->setCheckable(IsToolCommand(button.id));
        const int id = button.id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        m_pToolBar->addAction(action);
        m_actions.insert(id, action);
    }
    SetButtonSizes();
}

void CBmpPenEditWnd::SetButtonSizes()
{
    m_pToolBar->setIconSize(QSize(16, 15));
    for (QAction* action : m_actions)
        if (QWidget* button = m_pToolBar->widgetForAction(action))
            button->setFixedSize(kButtonSide, kButtonSide);
}

bool CBmpPenEditWnd::OnCommand(int id)
{
    if (id == cmd::ID_PEN_FILE_OPEN)
        OpenFile();
    else if (id == cmd::ID_PEN_FILE_SAVE)
        SaveFile();
    else if (!m_model.OnCommand(id))
        return false;
    UpdateCommandStates();
    m_pArea->UpdateCursor();
    emit TipEdited();
    return true;
}

void CBmpPenEditWnd::UpdateCommandStates()
{
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const CommandState state = m_model.UpdateCommand(it.key());
        it.value()->setEnabled(state.enabled);
        if (it.value()->isCheckable())
            it.value()->setChecked(state.checked);
    }
}

void CBmpPenEditWnd::OpenFile()
{
    const QString path = ChooseOpenPath();
    if (!path.isEmpty())
        m_model.Open(path);
}

void CBmpPenEditWnd::SaveFile()
{
    const QString path = ChooseSavePath(m_model.LastSavePath());
    if (!path.isEmpty())
        m_model.SaveAs(path);
}

QString CBmpPenEditWnd::ChooseOpenPath()
{
    QFileDialog dialog(this, QString(), QString(), kFilters);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("pen"));
    dialog.setOptions(DialogOptions());
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString CBmpPenEditWnd::ChooseSavePath(const QString& initialPath)
{
    QFileDialog dialog(this, QString(), QString(), kFilters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("pen"));
    dialog.setOptions(DialogOptions());
    if (!initialPath.isEmpty())
        dialog.selectFile(initialPath);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void CBmpPenEditWnd::ShowEditor()
{
    if (isVisible())
        return;
    show();
    raise();
}

// Every drawing on the grid ends with a release of the button.
bool CBmpPenEditWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pArea && event->type() == QEvent::MouseButtonRelease)
        emit TipEdited();
    return QMainWindow::eventFilter(watched, event);
}

// Closing only hides: the window is never deleted on close, so it comes back
// with its tool and tip.
void CBmpPenEditWnd::closeEvent(QCloseEvent* event)
{
    hide();
    event->accept();
}

void CBmpPenEditWnd::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::StyleChange)
        SetButtonSizes();
}
