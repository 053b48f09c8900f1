#include "chartable/CCharTableWnd.h"

#include "app/CSettingsStore.h"
#include "app/IMessageBox.h"
#include "canvas/CSampleFont.h"
#include "chartable/CCharCellDelegate.h"
#include "chartable/CCharPlan.h"
#include "chartable/CCharTableItemModel.h"
#include "chartable/CFlowLayout.h"
#include "chartable/COwnTextDlg.h"
#include "chartable/ICharTableSource.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Often enough that a run of automatic creation is seen to move, seldom
// enough that the editor is asked about several characters at once.
constexpr int kPendingIntervalMs = 400;
constexpr int kCellSpacing = 2;
// How long one pass of fetching outlines may hold up the event loop.
constexpr qint64 kFetchBudgetMs = 30;
constexpr int kControlSpacing = 8;
constexpr int kMinProgressWidth = 60;

} // namespace

CCharTableWnd::CCharTableWnd(const Parts& parts, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_source(parts.source)
    , m_plan(parts.plan)
    , m_messages(parts.messages)
    , m_isBusy(parts.isBusy)
    , m_table(parts.source, parts.plan)
    , m_samples(std::make_unique<CSampleFont>())
{
    setWindowTitle(QStringLiteral("文字一覧"));
    m_pModel = new CCharTableItemModel(m_table, this);
    m_pDelegate = new CCharCellDelegate(
        m_table, *m_samples, parts.faceName, [this](const CCharCell& cell) { Want(cell); }, this);
    BuildControls();
    m_pendingTimer.setSingleShot(true);
    m_pendingTimer.setInterval(kPendingIntervalMs);
    connect(&m_pendingTimer, &QTimer::timeout, this, &CCharTableWnd::ApplyPending);
    m_fetchTimer.setSingleShot(true);
    m_fetchTimer.setInterval(0);
    connect(&m_fetchTimer, &QTimer::timeout, this, &CCharTableWnd::FetchWanted);
    resize(12 * (CCharTableSettings::kDefaultCellSize + kCellSpacing) + 40, 480);
}

CCharTableWnd::~CCharTableWnd()
{
    StoreSettings();
}

void CCharTableWnd::BuildControls()
{
    m_pSets = new QComboBox(this);
    for (ECharSet set : CCharSets::Order()) {
        // The sets people learn and the user's text stand apart from the
        // code page's.
        if (set == ECharSet::Kyoiku || set == ECharSet::OwnText)
            m_pSets->insertSeparator(m_pSets->count());
        m_pSets->addItem(CCharSets::Name(set), static_cast<int>(set));
    }
    m_pSets->setMaxVisibleItems(m_pSets->count());
    m_pFilters = new QComboBox(this);
    for (auto filter : {CCharTable::EFilter::All, CCharTable::EFilter::Missing, CCharTable::EFilter::StrokeOnly})
        m_pFilters->addItem(CCharTable::FilterName(filter), static_cast<int>(filter));
    m_pSizes = new QComboBox(this);
    for (int side : CCharTableSettings::CellSizes())
        m_pSizes->addItem(QStringLiteral("%1 ピクセル").arg(side), side);
    auto* reload = new QPushButton(QStringLiteral("再読み込み(&R)"), this);
    reload->setShortcut(QKeySequence(Qt::Key_F5));
    m_pOwnText = new QPushButton(QStringLiteral("文章を入力(&E)..."), this);
    m_pOwnText->setObjectName(QStringLiteral("ownText"));
    auto* help = new QAction(this);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(help);
    connect(help, &QAction::triggered, this, [this] { emit HelpRequested(QStringLiteral("chartable.html")); });

    // The choices go on in a second row in a narrow window, so that the
    // table fits beside the main window on a small screen; a label stays
    // with its field.
    auto* choices = new CFlowLayout(kControlSpacing);
    const auto labelled = [&](const QString& text, QWidget* field) {
        auto* pair = new QWidget(this);
        auto* row = new QHBoxLayout(pair);
        row->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(text, pair);
        label->setBuddy(field);
        row->addWidget(label);
        row->addWidget(field);
        choices->addWidget(pair);
    };
    labelled(QStringLiteral("文字の種類(&S):"), m_pSets);
    labelled(QStringLiteral("表示(&F):"), m_pFilters);
    labelled(QStringLiteral("大きさ(&Z):"), m_pSizes);
    choices->addWidget(reload);

    // The counts wrap rather than widen the window.
    m_pCount = new QLabel(this);
    m_pCount->setWordWrap(true);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setTextVisible(false);
    m_pProgress->setMaximumHeight(12);
    m_pProgress->setMinimumWidth(kMinProgressWidth);
    auto* counts = new QHBoxLayout;
    counts->addWidget(m_pCount, 3);
    counts->addWidget(m_pProgress, 1);
    counts->addWidget(m_pOwnText);

    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("statusLine"));
    m_pStatus->hide();
    m_pPlanNote = new QLabel(this);
    m_pPlanNote->setObjectName(QStringLiteral("planNote"));
    m_pPlanNote->setWordWrap(true);
    m_pPlanNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pPlanNote->hide();

    m_pList = new QListView(this);
    m_pList->setModel(m_pModel);
    m_pList->setItemDelegate(m_pDelegate);
    m_pList->setViewMode(QListView::ListMode);
    m_pList->setFlow(QListView::LeftToRight);
    m_pList->setWrapping(true);
    m_pList->setResizeMode(QListView::Adjust);
    m_pList->setUniformItemSizes(true);
    m_pList->setSpacing(kCellSpacing / 2);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pList->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addLayout(counts);
    layout->addWidget(m_pStatus);
    layout->addWidget(m_pPlanNote);
    layout->addWidget(m_pList, 1);

    connect(m_pSets, &QComboBox::activated, this, &CCharTableWnd::OnSetChosen);
    connect(m_pFilters, &QComboBox::activated, this, &CCharTableWnd::OnFilterChosen);
    connect(m_pSizes, &QComboBox::activated, this, &CCharTableWnd::OnCellSizeChosen);
    connect(reload, &QPushButton::clicked, this, &CCharTableWnd::Reload);
    connect(m_pOwnText, &QPushButton::clicked, this, &CCharTableWnd::EditOwnText);
    connect(m_pList, &QListView::doubleClicked, this, &CCharTableWnd::GoTo);
    connect(m_pList, &QListView::customContextMenuRequested, this, &CCharTableWnd::OnContextMenu);
}

void CCharTableWnd::AttachSettings(const CSettingsStore* store)
{
    m_pStore = store;
    if (store)
        m_settings.Read(*store);
    if (!m_settings.m_geometry.isEmpty())
        restoreGeometry(m_settings.m_geometry);
    // The set and the text were given to the plan when the program started.
    m_table.SetFilter(m_settings.m_filter);
    m_pSets->setCurrentIndex(m_pSets->findData(static_cast<int>(m_table.Set())));
    m_pFilters->setCurrentIndex(m_pFilters->findData(static_cast<int>(m_settings.m_filter)));
    SetCellSize(m_settings.m_nCellSize);
}

void CCharTableWnd::StoreSettings()
{
    if (!m_pStore)
        return;
    m_settings.m_geometry = saveGeometry();
    m_settings.m_set = m_table.Set();
    m_settings.m_filter = m_table.Filter();
    m_settings.m_nCellSize = m_pDelegate->CellSize();
    m_settings.Write(*m_pStore);
}

void CCharTableWnd::closeEvent(QCloseEvent* event)
{
    StoreSettings();
    QWidget::closeEvent(event);
}

void CCharTableWnd::ShowTable()
{
    show();
    raise();
    activateWindow();
    if (m_bStale)
        Reload();
}

void CCharTableWnd::Reload()
{
    m_pendingTimer.stop();
    m_wanted.clear();
    m_wantedKeys.clear();
    m_table.Reload();
    m_bStale = false;
    m_pModel->ResetCells();
    ShowState();
}

void CCharTableWnd::ShowState()
{
    m_pCount->setText(m_table.CountText());
    m_pProgress->setRange(0, 1000);
    m_pProgress->setValue(m_table.Progress());
    const QString note = m_table.PlanNote();
    m_pPlanNote->setText(note);
    m_pPlanNote->setVisible(!note.isEmpty());
    m_pOwnText->setVisible(m_table.Set() == ECharSet::OwnText);
    m_pStatus->setText(m_table.StatusLine());
    m_pStatus->setVisible(!m_table.GlyphsKnown());
    m_pFilters->setEnabled(m_table.GlyphsKnown());
}

void CCharTableWnd::NoteChanged(quint16 code, bool vertical)
{
    if (!isVisible()) {
        m_bStale = true;
        return;
    }
    m_table.NoteChanged({code, vertical});
    // Writing a vertical form may give the upright character a glyph too.
    if (vertical)
        m_table.NoteChanged({code, false});
    if (!m_pendingTimer.isActive())
        m_pendingTimer.start();
}

void CCharTableWnd::ApplyPending()
{
    m_pendingTimer.stop();
    const bool wasKnown = m_table.GlyphsKnown();
    const QList<CCharCell> changed = m_table.ApplyPending();
    if (wasKnown && m_table.GlyphsKnown())
        m_pModel->CellsChanged(changed);
    else
        m_pModel->ResetCells();
    ShowState();
}

void CCharTableWnd::Want(const CCharCell& cell)
{
    if (m_wantedKeys.contains(cell.Key()))
        return;
    m_wantedKeys.insert(cell.Key());
    m_wanted.append(cell);
    if (!m_fetchTimer.isActive())
        m_fetchTimer.start();
}

// Cells scrolled out of sight since they were painted are not fetched; they
// ask again when they are painted again.
void CCharTableWnd::FetchWanted()
{
    QElapsedTimer budget;
    budget.start();
    const QRect sight = m_pList->viewport()->rect();
    QList<CCharCell> fetched;
    while (!m_wanted.isEmpty() && budget.elapsed() < kFetchBudgetMs) {
        const CCharCell cell = m_wanted.takeFirst();
        m_wantedKeys.remove(cell.Key());
        const int row = m_table.RowOf(cell);
        if (row < 0 || !m_pList->visualRect(m_pModel->index(row)).intersects(sight) || !m_table.NeedsOutline(cell))
            continue;
        m_table.Outline(cell);
        fetched.append(cell);
    }
    m_pModel->CellsChanged(fetched);
    if (!m_table.GlyphsKnown())
        ShowState();
    if (!m_wanted.isEmpty())
        m_fetchTimer.start();
}

void CCharTableWnd::OnSetChosen(int index)
{
    ChooseSet(static_cast<ECharSet>(m_pSets->itemData(index).toInt()));
}

// The first set from the dictionary reads it, which takes a moment.
void CCharTableWnd::ChooseSet(ECharSet set)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_table.SetSet(set);
    QApplication::restoreOverrideCursor();
    m_pSets->setCurrentIndex(m_pSets->findData(static_cast<int>(set)));
    m_pModel->ResetCells();
    m_pList->scrollToTop();
    ShowState();
    StoreSettings();
}

void CCharTableWnd::EditOwnText()
{
    COwnTextDlg dialog(m_plan.OwnText().Text(), m_messages, this);
    connect(&dialog, &COwnTextDlg::HelpRequested, this, [this] { emit HelpRequested(QStringLiteral("owntext.html")); });
    if (dialog.exec() == QDialog::Accepted)
        TakeOwnText(dialog.Text());
}

void CCharTableWnd::TakeOwnText(const QString& text)
{
    if (const QString notice = m_plan.TakeOwnText(text); !notice.isEmpty())
        m_messages.ShowMessage(notice);
    if (m_pStore)
        CCharTableSettings::WriteOwnText(*m_pStore, m_plan.OwnText().Text());
    m_table.OwnTextChanged();
    ChooseSet(ECharSet::OwnText);
}

void CCharTableWnd::OnFilterChosen(int index)
{
    m_table.SetFilter(static_cast<CCharTable::EFilter>(m_pFilters->itemData(index).toInt()));
    m_pModel->ResetCells();
    ShowState();
}

void CCharTableWnd::OnCellSizeChosen(int index)
{
    SetCellSize(m_pSizes->itemData(index).toInt());
}

void CCharTableWnd::SetCellSize(int side)
{
    m_pDelegate->SetCellSize(side);
    m_pSizes->setCurrentIndex(m_pSizes->findData(side));
    // The view keeps the size of its first item while sizes are uniform.
    m_pModel->ResetCells();
}

void CCharTableWnd::GoTo(const QModelIndex& index)
{
    if (!index.isValid() || (m_isBusy && m_isBusy()))
        return;
    const CCharCell cell = m_pModel->CellAt(index);
    if (!cell.IsCoded())
        return;
    emit GoToRequested(cell.code, cell.vertical);
}

QList<CCharCell> CCharTableWnd::SelectedCells() const
{
    QList<CCharCell> cells;
    const QModelIndexList rows = m_pList->selectionModel()->selectedIndexes();
    for (const QModelIndex& index : rows)
        cells.append(m_pModel->CellAt(index));
    std::sort(cells.begin(), cells.end(), [](const CCharCell& a, const CCharCell& b) { return a.Key() < b.Key(); });
    return cells;
}

void CCharTableWnd::RemoveSelected()
{
    if (m_isBusy && m_isBusy())
        return;
    const QList<CCharCell> changed = m_table.RemoveGlyphs(SelectedCells(), m_messages);
    m_pModel->CellsChanged(changed);
    ShowState();
}

void CCharTableWnd::OnContextMenu(const QPoint& pos)
{
    const QModelIndex index = m_pList->indexAt(pos);
    if (!index.isValid())
        return;
    if (!m_pList->selectionModel()->isSelected(index))
        m_pList->setCurrentIndex(index);
    const bool busy = m_isBusy && m_isBusy();
    const QList<CCharCell> selected = SelectedCells();
    QMenu menu(this);
    QAction* go = menu.addAction(QStringLiteral("この文字へ移動(&G)"));
    go->setEnabled(!busy && m_pModel->CellAt(index).IsCoded());
    QAction* remove = menu.addAction(selected.size() > 1 ? QStringLiteral("選択した文字をフォントから削除(&D)...")
                                                         : QStringLiteral("フォントから削除(&D)..."));
    remove->setEnabled(!busy && !m_table.Removable(selected).isEmpty());
    QAction* chosen = menu.exec(m_pList->viewport()->mapToGlobal(pos));
    if (chosen == go)
        GoTo(index);
    else if (chosen == remove)
        RemoveSelected();
}

// Enter goes to the character as a double-click does; Delete removes.
bool CCharTableWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            GoTo(m_pList->currentIndex());
            return true;
        }
        if (key == Qt::Key_Delete) {
            RemoveSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
