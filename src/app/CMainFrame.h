#pragma once

#include "app/CViewSettings.h"
#include "app/IFrameFields.h"
#include "app/IViewServices.h"
#include "fonteditor/CDefaultFontNames.h"

#include <QHash>
#include <QMainWindow>
#include <memory>
#include <optional>

class CBmpPenEditWnd;
class CCharTableWnd;
class ICharTableSource;
class CLocalAutomationSystem;
class CProgressDlg;
class CQuilleryController;
class CQuilleryDoc;
class CDialogBar;
class CHelpWindow;
class CMainToolBar;
class CPreviewWnd;
class CQtMessageBox;
class CQuilleryView;
class CSessionStateWriter;
class CSettingsStore;
class CWindowKeeper;
class QAction;
class QLabel;
class QToolBar;

// The program's one top-level window: the drawing view with the standard
// toolbar and its face list, the dialog bar, the drawing toolbar, the status
// bar and the menus. Commands go to the view; the frame handles only its own
// (exit, help, about, pane switching).
class CMainFrame : public QMainWindow, public IFrameFields, public IViewServices
{
    Q_OBJECT

public:
    explicit CMainFrame(QWidget* parent = nullptr, const CViewSettings& settings = CViewSettings());
    ~CMainFrame() override;

    // Fills the dialog bar and the face list from the stored settings and
    // lets the view store the settings when it goes away.
    void AttachSettings(const CSettingsStore* store);
    // The document whose bitmap Execute fills.
    void SetDocument(CQuilleryDoc* doc);
    CQuilleryController& Controller() { return *m_controller; }
    CProgressDlg* ProgressDialog() const { return m_pProgress; }

    // IViewServices
    void Repaint() override;
    bool PumpMessages() override;
    void BringToFront() override;
    void ShowStatus(const QString& text) override;

    CQuilleryView* View() const { return m_pView; }
    CBmpPenEditWnd* PenEditor() const { return m_pPenEditor; }
    QAction* Action(int id) const { return m_actions.value(id); }
    CMainToolBar* StandardToolBar() const { return m_pToolBar; }
    CDialogBar* DialogBar() const { return m_pDlgBar; }
    QToolBar* DrawBar() const { return m_pDrawBar; }
    QLabel* PromptPane() const { return m_pPromptPane; }
    CQtMessageBox& Messages() { return *m_messages; }
    // The character table window, made when first opened.
    CCharTableWnd* CharTable() const { return m_pCharTable; }
    void ShowCharTable();
    // Where the table asks about the font; the editor connection unless set.
    void SetCharTableSource(std::unique_ptr<ICharTableSource> source);
    // Goes to a character as typing it into the character field and then
    // clicking the vertical-writing box would.
    void GoToChar(quint16 code, bool vertical);
    // The preview window, once it has been opened.
    CPreviewWnd* Preview() const { return m_pPreview; }

    // The text of the font file field when the window closed.
    QString FontFilePathAtClose() const { return m_strFontFilePath; }

    // The program was told to end (a logout, Ctrl+C): dialogs waiting for an
    // answer are dismissed, messages go to the standard error output, and the
    // window closes without asking, saving the font and the settings as a
    // close does; a running automatic creation ends after the file in hand.
    void EndOnSignal();
    // Where the windows go and where they are remembered.
    CWindowKeeper& WindowKeeper() { return *m_pKeeper; }
    CSessionStateWriter* StateWriter() const { return m_stateWriter.get(); }

    // Gives every command's action the enabled and checked state it has now.
    void UpdateCommandStates();

    // IFrameFields
    QString GetFontFilePathText() const override;
    void SetFontFilePathText(const QString& text) override;
    QString GetCharText() const override;
    void SetCharText(const QString& text) override;
    bool IsVerticalChecked() const override;
    void SetVerticalCheck(bool checked) override;
    void EnableVertical(bool enable) override;

signals:
    void CharTextChanged(const QString& text);
    void ChooseFontFileRequested();
    void VerticalClicked();
    void FaceSelected(const QString& faceName);
    void OptionsRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    QAction* AddCommand(int id);
    void BuildActions();
    void BuildMenus();
    void BuildStandardToolBar();
    void BuildDialogBar();
    void BuildDrawBar();
    void BuildStatusBar();
    void OnCommand(int id);
    bool IsFrameCommand(int id) const;
    void OnHelp();
    // Shows a page of the help file, opening the help window when needed.
    void OpenHelp(const QString& page);
    void OnAbout();
    void SwitchPane(bool forward);
    void ConnectDialogBar();
    void OnScreenChanged();
    void OnChooseFontFile();
    void OnSaveFontAs();
    void OnFontInfo();
    // The names of a new font about to be made at path; none when cancelled.
    std::optional<SFontNames> AskNewFontNames(const QString& path, const SFontNames& proposed);
    void OnAutoCreate();
    void OnInstallFont();
    void OnPreview();
    void NoteStateChanged();

    CQuilleryView* m_pView;
    std::unique_ptr<CQtMessageBox> m_messages;
    CMainToolBar* m_pToolBar = nullptr;
    CDialogBar* m_pDlgBar = nullptr;
    QToolBar* m_pDrawBar = nullptr;
    QLabel* m_pPromptPane = nullptr;
    CHelpWindow* m_pHelpWindow = nullptr;
    QString m_strFontFilePath;
    // Hidden until the user-defined tip is chosen; lives as long as the frame.
    CBmpPenEditWnd* m_pPenEditor = nullptr;
    QHash<int, QAction*> m_actions;
    std::unique_ptr<CLocalAutomationSystem> m_automation;
    CProgressDlg* m_pProgress = nullptr;
    CPreviewWnd* m_pPreview = nullptr;
    std::unique_ptr<CQuilleryController> m_controller;
    const CSettingsStore* m_pStore = nullptr;
    std::unique_ptr<ICharTableSource> m_charTableSource;
    CCharTableWnd* m_pCharTable = nullptr;
    CWindowKeeper* m_pKeeper = nullptr;
    std::unique_ptr<CSessionStateWriter> m_stateWriter;
    bool m_bEndingOnSignal = false;
};
