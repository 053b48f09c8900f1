#pragma once

#include "chartable/CCharTable.h"
#include "chartable/CCharTableSettings.h"

#include <QSet>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

class CCharCellDelegate;
class CCharPlan;
class CCharTableItemModel;
class CSampleFont;
class CSettingsStore;
class ICharTableSource;
class IMessageBox;
class QComboBox;
class QLabel;
class QListView;
class QProgressBar;
class QPushButton;

// The modeless window "文字一覧": the characters of one set with what the
// font and the stroke folder hold for each, how far the font has come, and
// the way to a character or to removing its glyph. The set chosen here is
// the one the next missing character is taken from.
class CCharTableWnd : public QWidget
{
    Q_OBJECT

public:
    struct Parts
    {
        ICharTableSource& source;
        CCharPlan& plan;
        IMessageBox& messages;
        // The sample face chosen in the main window.
        std::function<QString()> faceName;
        // True while the main window cannot move to another character.
        std::function<bool()> isBusy;
    };

    CCharTableWnd(const Parts& parts, QWidget* parent);
    ~CCharTableWnd() override;

    // Takes the stored size, place, set, filter and cell size; stores them
    // again when the window is closed and when it goes away.
    void AttachSettings(const CSettingsStore* store);
    // Reads the font and the stroke folder afresh and shows the window.
    void ShowTable();
    // The work may have changed this character; the cell follows soon,
    // within a second also during automatic creation.
    void NoteChanged(quint16 code, bool vertical);

    CCharTable& Table() { return m_table; }
    QListView* List() const { return m_pList; }
    QLabel* CountLabel() const { return m_pCount; }
    QLabel* StatusLine() const { return m_pStatus; }
    // What the chosen set cannot give: no dictionary, no text, characters
    // the code page lacks.
    QLabel* PlanNote() const { return m_pPlanNote; }
    QProgressBar* ProgressBar() const { return m_pProgress; }
    QComboBox* SetChooser() const { return m_pSets; }
    QComboBox* FilterChooser() const { return m_pFilters; }
    // Applies what the work changed now instead of at the next tick.
    void ApplyPending();
    // Shows another set, as choosing it in the list does.
    void ChooseSet(ECharSet set);
    // Takes the user's text as the set 自分の文章 and shows it, as OK in the
    // text dialog does.
    void TakeOwnText(const QString& text);
    // Opens the text dialog; its OK takes the text.
    void EditOwnText();
    // Outlines asked for by the painted cells and not fetched yet.
    bool IsFetching() const { return !m_wanted.isEmpty(); }

signals:
    void GoToRequested(quint16 code, bool vertical);
    // F1 (the table's page), or the help button of the text dialog (the
    // page about the user's text).
    void HelpRequested(const QString& page);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void Reload();
    void ShowState();
    void OnSetChosen(int index);
    void OnFilterChosen(int index);
    void OnCellSizeChosen(int index);
    void SetCellSize(int side);
    void GoTo(const QModelIndex& index);
    void RemoveSelected();
    void OnContextMenu(const QPoint& pos);
    QList<CCharCell> SelectedCells() const;
    void StoreSettings();
    void Want(const CCharCell& cell);
    void FetchWanted();

    ICharTableSource& m_source;
    CCharPlan& m_plan;
    IMessageBox& m_messages;
    std::function<bool()> m_isBusy;
    CCharTable m_table;
    CCharTableSettings m_settings;
    const CSettingsStore* m_pStore = nullptr;
    std::unique_ptr<CSampleFont> m_samples;
    CCharTableItemModel* m_pModel = nullptr;
    CCharCellDelegate* m_pDelegate = nullptr;
    QListView* m_pList = nullptr;
    QComboBox* m_pSets = nullptr;
    QComboBox* m_pFilters = nullptr;
    QComboBox* m_pSizes = nullptr;
    QLabel* m_pCount = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pStatus = nullptr;
    QLabel* m_pPlanNote = nullptr;
    QPushButton* m_pOwnText = nullptr;
    QTimer m_pendingTimer;
    // Fetched a few at a time between events, so that scrolling and typing
    // go on while a slow editor answers.
    QTimer m_fetchTimer;
    QList<CCharCell> m_wanted;
    QSet<quint32> m_wantedKeys;
    // Changes seen while the window was hidden are caught up by a reload.
    bool m_bStale = true;
};
