#include "app/CMainFrame.h"

#include "app/CAboutDlg.h"
#include "app/CChmArchive.h"
#include "app/CDeferredMessageBox.h"
#include "app/CDialogBar.h"
#include "app/CFontInfoDlg.h"
#include "app/CHelpWindow.h"
#include "app/CMainToolBar.h"
#include "app/CQtMessageBox.h"
#include "app/CQuilleryController.h"
#include "app/CSessionStateWriter.h"
#include "app/CWindowKeeper.h"
#include "autocreate/CProgressDlg.h"
#include "chartable/CCharTableWnd.h"
#include "chartable/CEditorCharTableSource.h"
#include "fonteditor/CFontEditorSession.h"
#include "fonteditor/CFontFileDialogs.h"
#include "fonteditor/CFontPath.h"
#include "fonteditor/CFontInstaller.h"
#include "fonteditor/CFontconfigTools.h"
#include "fonteditor/CLocalAutomationSystem.h"
#include "fonteditor/CVerticalCharTable.h"
#include "strokes/CodePage932.h"
#include "app/CSettingsStore.h"
#include "canvas/CFontFileGuide.h"
#include "canvas/CQuilleryView.h"
#include "canvas/CSampleFont.h"
#include "pen/CBmpPenEditWnd.h"
#include "preview/CPreviewWnd.h"
#include "res/CStringTable.h"
#include "res/CUiResources.h"
#include "res/CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QWhatsThis>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalBlocker>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWindow>
#include <QEventLoop>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <limits>

using namespace cmd;

namespace {

constexpr int kPositionPaneWidth = 50;
constexpr QSize kButtonSize(36, 36);
constexpr QSize kImageSize(16, 15);
constexpr int kSeparator = 0;
// An install that ends sooner shows only the busy pointer.
constexpr int kInstallDialogDelayMs = 400;

QString MenuLabel(const QString& menuText)
{
    // The table's text carries its shortcut after a tab; Qt shows the
    // action's own shortcut instead.
    return menuText.section(QLatin1Char('\t'), 0, 0);
}

QString IconName(int id)
{
    static const QHash<int, QString> names = {
        {ID_EDIT_UNDO, "undo"},       {ID_EDIT_REDO, "redo"},       {ID_EXECUTE, "execute"},
        {ID_PREV_CHAR, "prevchar"},   {ID_NEXT_CHAR, "nextchar"},   {ID_VIEW_SAMPLE, "sample"},
        {ID_VIEW_GRID, "grid"},       {ID_CONTEXT_HELP, "contexthelp"}, {ID_TOOL_PEN, "pen"},
        {ID_TOOL_ERASER, "eraser"},   {ID_TIP_10, "tip10"},         {ID_TIP_20, "tip20"},
        {ID_TIP_30, "tip30"},         {ID_TIP_40, "tip40"},         {ID_TIP_USER, "userpen"},
        {ID_VIEW_CHAR_TABLE, "chartable"}, {ID_NEXT_MISSING, "nextmissing"},
    };
    return names.value(id);
}

bool IsCheckable(int id)
{
    switch (id) {
    case ID_TOOL_PEN: case ID_TOOL_ERASER: case ID_TIP_10: case ID_TIP_20: case ID_TIP_30: case ID_TIP_40:
    case ID_TIP_USER: case ID_VIEW_SAMPLE: case ID_VIEW_GRID:
        return true;
    default:
        return false;
    }
}

void SizeButtons(QToolBar* bar)
{
    bar->setIconSize(kImageSize);
    for (QToolButton* button : bar->findChildren<QToolButton*>())
        button->setFixedSize(kButtonSize);
}

} // namespace

CMainFrame::CMainFrame(QWidget* parent, const CViewSettings& settings)
    : QMainWindow(parent)
    , m_pView(new CQuilleryView(this, settings))
    , m_messages(std::make_unique<CQtMessageBox>(this))
    , m_pPenEditor(new CBmpPenEditWnd(m_pView->Model().PenTip(), this))
{
    CUiResources::Init();
    setWindowTitle(QStringLiteral("Quillery"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setCentralWidget(m_pView);
    // The window takes the size its contents ask for and no other.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    BuildActions();
    BuildStandardToolBar();
    BuildDialogBar();
    BuildDrawBar();
    BuildStatusBar();
    BuildMenus();
    m_automation = std::make_unique<CLocalAutomationSystem>();
    m_pProgress = new CProgressDlg(this, this);
    m_controller = std::make_unique<CQuilleryController>(CQuilleryController::Parts {
        m_pView->Model(), m_pView->Settings(), *this, *m_messages, *m_automation, *this, *m_pProgress});
    m_pView->SetMessageBox(m_messages.get());
    m_pView->SetEditorRelease([this](const QString& field) { return m_controller->ReleaseAtExit(field); });
    m_controller->Session().SetSaveAsChooser(
        [this](const QString& currentPath) { return CFontFileDialogs::ChooseSaveAsFile(this, currentPath); });
    m_controller->Session().Naming().SetNamer(
        [this](const QString& path, const SFontNames& proposed) { return AskNewFontNames(path, proposed); });
    m_charTableSource = std::make_unique<CEditorCharTableSource>(
        m_controller->Session(), [this] { return m_pView->Settings().m_strStrkFolderPath; });
    m_controller->SetCharWorkedListener([this](quint16 code, bool vertical) {
        if (m_pCharTable)
            m_pCharTable->NoteChanged(code, vertical);
    });
    m_pView->SetGuideSource([this] { return m_controller->Guide(); });
    m_controller->SetFileGuideReader(
        [reader = std::make_shared<CFontFileGuide>()](const QString& path, const QString& ch, bool vertical) {
            return reader->Read(path, ch, vertical);
        });
    m_pKeeper = new CWindowKeeper(this, nullptr);
    m_pKeeper->Keep(m_pPenEditor, QStringLiteral("PenEditor"));
    m_pView->SetDiscardCheck([this] { return m_controller->ConfirmDiscardDrawing(); });
    m_pView->SetVerticalCharTest(
        [](const QString& ch) { return IsVerticalChar(CharCode(StringToCp932(ch))); });
    ConnectDialogBar();
    connect(m_pView, &CQuilleryView::HelpRequested, this, &CMainFrame::OnHelp);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        connect(screen, &QScreen::availableGeometryChanged, this, &CMainFrame::OnScreenChanged);
    connect(m_pView, &CQuilleryView::StateChanged, this, &CMainFrame::UpdateCommandStates);
    connect(m_pView, &CQuilleryView::PenEditorRequested, m_pPenEditor, &CBmpPenEditWnd::ShowEditor);
    connect(m_pView, &CQuilleryView::StateChanged, this, &CMainFrame::NoteStateChanged);
    connect(m_pPenEditor, &CBmpPenEditWnd::TipEdited, this, &CMainFrame::NoteStateChanged);
    UpdateCommandStates();
}

// The view stores the settings and lets the editor go while the controller
// that holds the connection is still there.
CMainFrame::~CMainFrame()
{
    // The end of the run stores everything below.
    m_stateWriter.reset();
    // The table asks the controller's connection; it goes first.
    delete m_pCharTable;
    m_pView->StoreSettings();
    // The preview may still be copying the font over the editor connection
    // the controller holds; it ends before the controller does.
    delete m_pPreview;
}

void CMainFrame::SetDocument(CQuilleryDoc* doc)
{
    m_pView->SetDocument(doc);
    m_controller->SetDocument(doc);
}

void CMainFrame::ConnectDialogBar()
{
    connect(this, &CMainFrame::CharTextChanged, this, [this] {
        m_controller->OnCharChanged();
        m_pView->update();
        UpdateCommandStates();
        NoteStateChanged();
    });
    // Installing needs a font file named or a font open.
    connect(m_pDlgBar->FontFileEdit(), &QLineEdit::textChanged, this, [this] {
        m_controller->OnFontFieldChanged();
        UpdateCommandStates();
    });
    connect(this, &CMainFrame::VerticalClicked, this, [this] {
        m_controller->OnVerticalClicked();
        UpdateCommandStates();
    });
    connect(m_pDlgBar->VerticalBox(), &QCheckBox::toggled, m_pView, &CQuilleryView::SetVerticalChecked);
    connect(this, &CMainFrame::ChooseFontFileRequested, this, &CMainFrame::OnChooseFontFile);
    connect(this, &CMainFrame::FaceSelected, m_pView, &CQuilleryView::SetFaceName);
    connect(this, &CMainFrame::FaceSelected, this, &CMainFrame::NoteStateChanged);
    connect(this, &CMainFrame::OptionsRequested, m_pView, &CQuilleryView::OnOptions);
}

// After a change of the screen's settings the buttons keep their size, and a
// window left too small for the canvas is fitted to it again.
void CMainFrame::OnScreenChanged()
{
    SizeButtons(m_pToolBar);
    SizeButtons(m_pDrawBar);
    const int side = m_pView->Model().Canvas().Width();
    if (m_pView->width() < side || m_pView->height() < side)
        m_pView->FitFrameToCanvas();
}

void CMainFrame::OnChooseFontFile()
{
    m_controller->OnChooseFontFile(CFontFileDialogs::ChooseFontFile(
        this, CFontPath::Resolve(GetFontFilePathText())));
}

void CMainFrame::OnSaveFontAs()
{
    const QString path = CFontFileDialogs::ChooseSaveAsFile(this, GetFontFilePathText());
    if (!path.isEmpty() && m_controller->SaveFontAs(path))
        SetFontFilePathText(path);
}

void CMainFrame::OnFontInfo()
{
    CFontInfoEditor& rules = m_controller->FontInfo();
    const std::optional<SFontInfo> info = rules.Load();
    if (!info)
        return;
    CFontInfoDlg dialog(*info, [&](const SFontInfo& edited) { return rules.Submit(*info, edited); }, this);
    dialog.exec();
}

// The names are checked by the font information rules; only accepted names
// make the font.
std::optional<SFontNames> CMainFrame::AskNewFontNames(const QString& path, const SFontNames& proposed)
{
    CFontInfoEditor& rules = m_controller->FontInfo();
    CFontInfoDlg dialog({proposed.family, proposed.familyJa, {}, {}},
                        [&](const SFontInfo& edited) { return rules.CheckNames(edited); }, this, path);
    dialog.setObjectName(QStringLiteral("newFontNames"));
    if (m_bEndingOnSignal || dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const SFontInfo names = CFontInfoEditor::Normalized(dialog.Values());
    return SFontNames {names.familyName, names.familyNameJa};
}

// A font never saved gets its file name first, as with saving it by name.
// fontconfig takes seconds to refresh its cache: the copy and the refresh run
// away from the window, which shows meanwhile that it is busy and takes no
// other command; their messages follow when they are done.
void CMainFrame::OnInstallFont()
{
    const QString path = m_controller->Session().SaveFontToFile(
        [this] { return CFontFileDialogs::ChooseSaveAsFile(this, GetFontFilePathText()); });
    if (path.isEmpty())
        return;
    ShowStatus(QStringLiteral("フォントをインストールしています…"));
    QProgressDialog busy(QStringLiteral("フォント %1 をインストールしています…").arg(QFileInfo(path).fileName()),
                         QString(), 0, 0, this);
    busy.setObjectName(QStringLiteral("installProgress"));
    busy.setWindowTitle(CQtMessageBox::Caption());
    busy.setWindowModality(Qt::ApplicationModal);
    busy.setMinimumDuration(std::numeric_limits<int>::max());
    QTimer::singleShot(kInstallDialogDelayMs, &busy, [&busy] { busy.show(); });
    QApplication::setOverrideCursor(Qt::WaitCursor);

    struct SInstalled
    {
        bool ok = false;
        QString target;
    };
    auto messages = std::make_shared<CDeferredMessageBox>();
    QFutureWatcher<SInstalled> watcher;
    QEventLoop loop;
    connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run([path, messages] {
        CFontconfigTools fontconfig;
        CFontInstaller installer(fontconfig, *messages);
        const bool ok = installer.Install(path);
        return SInstalled {ok, installer.InstalledPath()};
    }));
    if (!watcher.isFinished())
        loop.exec();
    // The loop also ends when the program is told to quit.
    watcher.waitForFinished();
    QApplication::restoreOverrideCursor();
    busy.close();
    const SInstalled installed = watcher.result();
    ShowStatus(installed.ok ? QStringLiteral("フォントを %1 にインストールしました。").arg(installed.target)
                            : QStringLiteral("フォントをインストールできませんでした。"));
    messages->ReplayTo(*m_messages);
}

// The window is made on first use and follows every change of the font
// from then on.
void CMainFrame::OnPreview()
{
    if (!m_pPreview) {
        CFontEditorSession& session = m_controller->Session();
        m_pPreview = new CPreviewWnd(
            {session, *m_automation, *m_controller, [this] { return m_controller->IsAutoCreateRunning(); },
             [this] { return m_pView->Settings().m_strFaceName; }, m_pView->SettingsStore()},
            this);
        m_pKeeper->Keep(m_pPreview, QStringLiteral("Preview"));
        session.AddFontChangedListener([preview = QPointer<CPreviewWnd>(m_pPreview)] {
            if (preview)
                preview->FontChanged();
        });
    }
    m_pPreview->show();
    m_pPreview->raise();
    m_pPreview->activateWindow();
}

// A run that ended because the window was asked to close closes it now.
void CMainFrame::OnAutoCreate()
{
    m_controller->OnAutoCreate();
    if (m_controller->TakeCloseAfterRun())
        close();
}

void CMainFrame::SetCharTableSource(std::unique_ptr<ICharTableSource> source)
{
    delete m_pCharTable;
    m_pCharTable = nullptr;
    m_charTableSource = std::move(source);
}

// Opening the table is the user's request to see the font, so it connects
// to the editor as the character commands do; during a run the connection
// is the run's.
void CMainFrame::ShowCharTable()
{
    if (!m_pCharTable) {
        m_pCharTable = new CCharTableWnd(
            {*m_charTableSource, m_controller->Plan(), *m_messages, [this] { return m_pView->Settings().m_strFaceName; },
             [this] { return m_controller->IsAutoCreateRunning(); }},
            this);
        m_pCharTable->AttachSettings(m_pStore);
        // The table remembers its own place.
        m_pKeeper->Keep(m_pCharTable, QString());
        connect(m_pCharTable, &CCharTableWnd::GoToRequested, this, &CMainFrame::GoToChar);
        connect(m_pCharTable, &CCharTableWnd::HelpRequested, this, &CMainFrame::OpenHelp);
    }
    if (!m_controller->IsAutoCreateRunning())
        m_charTableSource->Connect();
    m_pCharTable->ShowTable();
}

void CMainFrame::GoToChar(quint16 code, bool vertical)
{
    const QString text = Cp932ToString(CharFromCode(code));
    if (GetCharText() != text)
        SetCharText(text);
    // The field's handler may have kept the character the canvas is for.
    if (CharCode(StringToCp932(m_pView->Settings().m_strChar)) != code)
        return;
    QCheckBox* box = m_pDlgBar->VerticalBox();
    if (box->isEnabled() && box->isChecked() != vertical)
        box->click();
    BringToFront();
}

void CMainFrame::Repaint()
{
    m_pView->update();
}

bool CMainFrame::PumpMessages()
{
    QApplication::processEvents(QEventLoop::AllEvents);
    // While the user works in one of our windows, the run's Cancel stays
    // above them.
    if (m_pProgress && m_pProgress->isVisible() && QApplication::activeWindow()
        && QApplication::activeWindow() != m_pProgress)
        m_pProgress->raise();
    return !QCoreApplication::closingDown();
}

void CMainFrame::BringToFront()
{
    raise();
    activateWindow();
}

// No news is the idle prompt.
void CMainFrame::ShowStatus(const QString& text)
{
    m_pPromptPane->setText(text.isEmpty() ? CStringTable::IdlePrompt() : text);
}

void CMainFrame::NoteStateChanged()
{
    if (m_stateWriter)
        m_stateWriter->NoteChanged();
}

void CMainFrame::EndOnSignal()
{
    if (m_bEndingOnSignal)
        return;
    m_bEndingOnSignal = true;
    CQtMessageBox::SetUnattended(true);
    // Each dismissed dialog returns to the code that opened it, which then
    // goes its way without an answer; the close follows once the loops they
    // ran have ended.
    for (int guard = 0; guard < 32; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->hide();
    }
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == CProgressDlg::kCancelEvent) {
        m_controller->OnCancelAutoCreate();
        return true;
    }
    return QMainWindow::event(event);
}

QAction* CMainFrame::AddCommand(int id)
{
    const CStringTable::CommandText text = CStringTable::Command(id);
    auto* action = new QAction(MenuLabel(text.menu), this);
    action->setObjectName(QString::number(id));
    action->setStatusTip(text.prompt);
    action->setToolTip(text.toolTip.isEmpty() ? MenuLabel(text.menu) : text.toolTip);
    action->setWhatsThis(text.prompt);
    action->setCheckable(IsCheckable(id));
    if (const QString icon = IconName(id); !icon.isEmpty())
        action->setIcon(QIcon(QStringLiteral(":/toolbar/%1.xpm").arg(icon)));
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions.insert(id, action);
    return action;
}

void CMainFrame::BuildActions()
{
    for (int id : {ID_TOOL_PEN, ID_TOOL_ERASER, ID_TIP_10, ID_TIP_20, ID_TIP_30, ID_TIP_40, ID_TIP_USER,
                   ID_NEXT_CHAR, ID_PREV_CHAR, ID_CLEAR_ALL, ID_EXECUTE, ID_OPTIONS, ID_VIEW_SAMPLE, ID_VIEW_GRID,
                   ID_AUTO_CREATE, ID_EDIT_UNDO, ID_EDIT_REDO, ID_APP_EXIT, ID_HELP_FINDER, ID_CONTEXT_HELP,
                   ID_HELP, ID_APP_ABOUT, ID_NEXT_PANE, ID_PREV_PANE, ID_FONT_SAVE_AS, ID_FONT_INFO, ID_VIEW_CHAR_TABLE,
                   ID_FONT_INSTALL, ID_VIEW_PREVIEW, ID_NEXT_MISSING})
        AddCommand(id);
    Action(ID_VIEW_CHAR_TABLE)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    Action(ID_VIEW_PREVIEW)->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    Action(ID_EXECUTE)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    Action(ID_CLEAR_ALL)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    Action(ID_EDIT_UNDO)->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    Action(ID_EDIT_REDO)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    Action(ID_HELP)->setShortcut(QKeySequence(Qt::Key_F1));
    Action(ID_CONTEXT_HELP)->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    Action(ID_NEXT_PANE)->setShortcut(QKeySequence(Qt::Key_F6));
    Action(ID_PREV_PANE)->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    Action(ID_NEXT_CHAR)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    Action(ID_PREV_CHAR)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    Action(ID_NEXT_MISSING)->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageDown));
    // Shortcuts of actions that sit in no menu work only once added here.
    addActions({Action(ID_HELP), Action(ID_NEXT_PANE), Action(ID_PREV_PANE)});
}

void CMainFrame::BuildMenus()
{
    struct MenuLayout
    {
        QString title;
        std::vector<int> items;
    };
    const MenuLayout menus[] = {
        {QStringLiteral("ファイル(&F)"), {ID_AUTO_CREATE, ID_FONT_SAVE_AS, ID_FONT_INFO, ID_FONT_INSTALL, kSeparator, ID_APP_EXIT}},
        {QStringLiteral("編集(&E)"),
         {ID_EDIT_UNDO, ID_EDIT_REDO, kSeparator, ID_CLEAR_ALL, ID_EXECUTE, kSeparator, ID_OPTIONS}},
        {QStringLiteral("表示(&V)"),
         {ID_PREV_CHAR, ID_NEXT_CHAR, ID_NEXT_MISSING, kSeparator, ID_VIEW_SAMPLE, ID_VIEW_GRID, kSeparator, ID_VIEW_CHAR_TABLE, ID_VIEW_PREVIEW}},
        {QStringLiteral("ヘルプ(&H)"), {ID_HELP_FINDER, ID_CONTEXT_HELP, kSeparator, ID_APP_ABOUT}},
    };
    for (const MenuLayout& layout : menus) {
        QMenu* menu = menuBar()->addMenu(layout.title);
        for (int id : layout.items) {
            if (id == kSeparator)
                menu->addSeparator();
            else
                menu->addAction(Action(id));
        }
    }
}

void CMainFrame::BuildStandardToolBar()
{
    m_pToolBar = new CMainToolBar(this);
    m_pToolBar->setMovable(false);
    m_pToolBar->setAllowedAreas(Qt::TopToolBarArea);
    for (int id : {ID_EDIT_UNDO, ID_EDIT_REDO, kSeparator, ID_EXECUTE, kSeparator, ID_PREV_CHAR, ID_NEXT_CHAR,
                   ID_NEXT_MISSING, kSeparator}) {
        if (id == kSeparator)
            m_pToolBar->addSeparator();
        else
            m_pToolBar->addAction(Action(id));
    }
    m_pToolBar->AddFaceList();
    for (int id : {ID_VIEW_SAMPLE, ID_VIEW_GRID, ID_VIEW_CHAR_TABLE, kSeparator, ID_CONTEXT_HELP}) {
        if (id == kSeparator)
            m_pToolBar->addSeparator();
        else
            m_pToolBar->addAction(Action(id));
    }
    SizeButtons(m_pToolBar);
    m_pToolBar->FillFaceNames();
    connect(m_pToolBar, &CMainToolBar::FaceSelected, this,
            [this] { emit FaceSelected(m_pToolBar->GetSelectedFaceName()); });
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
}

void CMainFrame::BuildDialogBar()
{
    addToolBarBreak(Qt::TopToolBarArea);
    auto* holder = new QToolBar(this);
    holder->setObjectName(QStringLiteral("dialogBar"));
    holder->setMovable(false);
    holder->setFloatable(false);
    holder->setAllowedAreas(Qt::TopToolBarArea);
    m_pDlgBar = new CDialogBar(holder);
    holder->addWidget(m_pDlgBar);
    addToolBar(Qt::TopToolBarArea, holder);
    m_pDlgBar->VerticalBox()->setEnabled(false);
    connect(m_pDlgBar->CharEdit(), &QLineEdit::textChanged, this, &CMainFrame::CharTextChanged);
    connect(m_pDlgBar->ChooseButton(), &QPushButton::clicked, this, &CMainFrame::ChooseFontFileRequested);
    connect(m_pDlgBar->VerticalBox(), &QCheckBox::clicked, this, &CMainFrame::VerticalClicked);
}

void CMainFrame::BuildDrawBar()
{
    m_pDrawBar = new QToolBar(QStringLiteral("描画"), this);
    m_pDrawBar->setObjectName(QStringLiteral("drawBar"));
    m_pDrawBar->setMovable(false);
    m_pDrawBar->setAllowedAreas(Qt::LeftToolBarArea);
    for (int id : {ID_TOOL_PEN, ID_TOOL_ERASER, kSeparator, ID_TIP_10, ID_TIP_20, ID_TIP_30, ID_TIP_40, kSeparator,
                   ID_TIP_USER}) {
        if (id == kSeparator)
            m_pDrawBar->addSeparator();
        else
            m_pDrawBar->addAction(Action(id));
    }
    SizeButtons(m_pDrawBar);
    addToolBar(Qt::LeftToolBarArea, m_pDrawBar);
}

void CMainFrame::BuildStatusBar()
{
    m_pPromptPane = new QLabel(CStringTable::IdlePrompt(), this);
    statusBar()->addWidget(m_pPromptPane, 1);
    auto* xPane = new QLabel(QStringLiteral("X"), this);
    auto* yPane = new QLabel(QStringLiteral("Y"), this);
    xPane->setObjectName(QString::number(ID_INDICATOR_X));
    yPane->setObjectName(QString::number(ID_INDICATOR_Y));
    for (QLabel* pane : {xPane, yPane}) {
        pane->setFixedWidth(kPositionPaneWidth);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(pane);
    }
    statusBar()->setSizeGripEnabled(false);
    m_pView->SetStatusPanes(xPane, yPane);
}

bool CMainFrame::IsFrameCommand(int id) const
{
    switch (id) {
    case ID_APP_EXIT: case ID_HELP_FINDER: case ID_HELP: case ID_CONTEXT_HELP: case ID_APP_ABOUT:
    case ID_NEXT_PANE: case ID_PREV_PANE: case ID_OPTIONS: case ID_VIEW_CHAR_TABLE: case ID_VIEW_PREVIEW:
        return true;
    default:
        return false;
    }
}

void CMainFrame::OnCommand(int id)
{
    switch (id) {
    case ID_APP_EXIT: close(); return;
    case ID_HELP_FINDER:
    case ID_HELP: OnHelp(); return;
    case ID_CONTEXT_HELP: QWhatsThis::enterWhatsThisMode(); return;
    case ID_APP_ABOUT: OnAbout(); return;
    case ID_NEXT_PANE: SwitchPane(true); return;
    case ID_PREV_PANE: SwitchPane(false); return;
    case ID_OPTIONS: emit OptionsRequested(); return;
    case ID_VIEW_CHAR_TABLE: ShowCharTable(); return;
    case ID_VIEW_PREVIEW: OnPreview(); return;
    case ID_EXECUTE: m_controller->OnExecute(); break;
    case ID_NEXT_CHAR: m_controller->OnNextChar(); break;
    case ID_PREV_CHAR: m_controller->OnPrevChar(); break;
    case ID_NEXT_MISSING: m_controller->OnNextMissingChar(); break;
    case ID_AUTO_CREATE: OnAutoCreate(); break;
    case ID_FONT_SAVE_AS: OnSaveFontAs(); break;
    case ID_FONT_INFO: OnFontInfo(); break;
    case ID_FONT_INSTALL: OnInstallFont(); break;
    default: m_pView->OnCommand(id); return;
    }
    m_pView->update();
    UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates()
{
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        if (IsFrameCommand(it.key()))
            continue;
        const CommandState state = m_controller->OwnsCommand(it.key()) ? m_controller->UpdateCommand(it.key())
                                                                         : m_pView->UpdateCommand(it.key());
        it.value()->setEnabled(state.enabled);
        if (it.value()->isCheckable())
            it.value()->setChecked(state.checked);
    }
}

void CMainFrame::OnHelp()
{
    OpenHelp(QStringLiteral("index.html"));
}

void CMainFrame::OpenHelp(const QString& page)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!m_pHelpWindow)
        m_pHelpWindow = new CHelpWindow(this);
    const bool opened = m_pHelpWindow->Open(CChmArchive::HelpPathFor(QApplication::applicationFilePath()), page);
    QApplication::restoreOverrideCursor();
    if (!opened) {
        m_messages->ShowMessage(QStringLiteral("ヘルプの起動に失敗しました。"));
        return;
    }
    // Placed as it opens; while it is open it stays where the user put it.
    if (!m_pHelpWindow->isVisible())
        m_pHelpWindow->PlaceBeside(this);
    m_pHelpWindow->show();
    m_pHelpWindow->raise();
    m_pHelpWindow->activateWindow();
}

// The editor is asked for its version only when it runs already; the about
// box never starts one.
void CMainFrame::OnAbout()
{
    QString editorVersion;
    if (const CGlyphsmithApplication* editor = m_controller->Session().EditorApp(); editor && editor->HasDispatch()) {
        try {
            editorVersion = editor->GetVersion();
        } catch (const std::exception&) {
            editorVersion.clear();
        }
    }
    CAboutDlg about(editorVersion, this);
    about.exec();
}

// F6 and Shift+F6 move the keyboard focus between the drawing view and the
// fields of the dialog bar.
void CMainFrame::SwitchPane(bool forward)
{
    const bool inView = m_pView->hasFocus();
    if (inView == forward)
        m_pDlgBar->CharEdit()->setFocus();
    else
        m_pView->setFocus();
}

void CMainFrame::AttachSettings(const CSettingsStore* store)
{
    m_pStore = store;
    if (store)
        store->ReadRegString(CViewSettings::kSection, QStringLiteral("FontFilePath"), m_strFontFilePath);
    SetFontFilePathText(m_strFontFilePath);
    {
        // The view is not following the field yet: the stored character is
        // shown as it is, not taken back through the change handler.
        const QSignalBlocker quiet(m_pDlgBar->CharEdit());
        SetCharText(m_pView->Settings().m_strChar);
    }
    EnableVertical(IsVerticalChar(CharCode(StringToCp932(m_pView->Settings().m_strChar))));
    m_pToolBar->SelectFaceName(m_pView->Settings().m_strFaceName);
    // A face that is not installed is drawn in the face fontconfig puts in
    // its place; the list shows that one, so that it and the canvas agree.
    for (const QString& family : CSampleFont::MatchedFamilies(m_pView->Settings().m_strFaceName)) {
        if (!m_pToolBar->GetSelectedFaceName().isEmpty())
            break;
        m_pToolBar->SelectFaceName(family);
    }
    m_pView->SetSettingsStore(store);
    m_pView->SetFontFilePathAtClose(m_strFontFilePath);
    m_controller->RestorePlan(store);
    m_pKeeper->SetStore(store);
    if (store) {
        m_stateWriter = std::make_unique<CSessionStateWriter>(
            *store, [this] { return m_pView->CurrentSettings().SessionValues(); });
        m_stateWriter->SetStored(m_pView->CurrentSettings().SessionValues(), m_strFontFilePath);
        m_controller->SetFontInUseListener([this](const QString& path) {
            if (m_stateWriter)
                m_stateWriter->StoreFontInUse(path);
        });
    }
    // The font is known now: its glyph of the character shows at once.
    m_controller->RefreshGuideFromFile();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!m_controller->QueryClose(!m_bEndingOnSignal)) {
        event->ignore();
        return;
    }
    m_pKeeper->RememberAll();
    m_strFontFilePath = GetFontFilePathText();
    m_pView->SetFontFilePathAtClose(m_strFontFilePath);
    QMainWindow::closeEvent(event);
}

QString CMainFrame::GetFontFilePathText() const
{
    return m_pDlgBar->FontFileEdit()->text();
}

void CMainFrame::SetFontFilePathText(const QString& text)
{
    m_pDlgBar->FontFileEdit()->setText(text);
}

QString CMainFrame::GetCharText() const
{
    return m_pDlgBar->CharEdit()->text();
}

void CMainFrame::SetCharText(const QString& text)
{
    m_pDlgBar->CharEdit()->setText(text);
}

bool CMainFrame::IsVerticalChecked() const
{
    return m_pDlgBar->VerticalBox()->isChecked();
}

void CMainFrame::SetVerticalCheck(bool checked)
{
    m_pDlgBar->VerticalBox()->setChecked(checked);
}

void CMainFrame::EnableVertical(bool enable)
{
    if (!enable)
        m_pDlgBar->VerticalBox()->setChecked(false);
    m_pDlgBar->VerticalBox()->setEnabled(enable);
}
