#pragma once

#include "app/CFontFilePathWriter.h"
#include "app/CViewSettings.h"
#include "canvas/CDrawingModel.h"
#include "canvas/IDrawingHost.h"
#include "canvas/ISampleGlyphSource.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

class CGlyphGuide;
class CQuilleryDoc;
class CSettingsStore;
class IMessageBox;
class QLabel;

// The drawing view: shows the canvas dot for dot at its top-left corner on a
// grey ground, with the grid and the sample glyph laid over it, and turns
// mouse and tablet input into the model's pointer events. Everything the
// input means is decided by CDrawingModel; the view keeps the settings of the
// run and stores them when it goes away.
class CQuilleryView : public QWidget, public IDrawingHost
{
    Q_OBJECT

public:
    explicit CQuilleryView(QWidget* parent = nullptr, const CViewSettings& settings = CViewSettings());
    ~CQuilleryView() override;

    CViewSettings& Settings() { return m_settings; }
    const CViewSettings& Settings() const { return m_settings; }
    // The settings with the tip and the user pen as they are now.
    CViewSettings CurrentSettings() const;

    // What the view works with besides its own state; all optional.
    void SetMessageBox(IMessageBox* messages);
    void SetDocument(CQuilleryDoc* doc) { m_pDoc = doc; }
    void SetSettingsStore(const CSettingsStore* store) { m_pStore = store; }
    const CSettingsStore* SettingsStore() const { return m_pStore; }
    // Releases the font editor at exit and gives the FontFilePath to store.
    void SetEditorRelease(CFontFilePathWriter::EditorRelease release) { m_releaseEditor = std::move(release); }
    // The font file field's text as the frame last saw it, stored at exit
    // when the editor was never used.
    void SetFontFilePathAtClose(const QString& path) { m_strFontFilePathAtClose = path; }
    void SetSampleSource(std::unique_ptr<ISampleGlyphSource> source);
    // Where the glyph the character already has in the font comes from; it
    // is painted faintly under the drawing.
    void SetGuideSource(std::function<const CGlyphGuide*()> guide) { m_guideSource = std::move(guide); }
    // Asked before a new canvas size drops the drawing; false keeps it.
    void SetDiscardCheck(std::function<bool()> confirm) { m_confirmDiscard = std::move(confirm); }
    void SetVerticalChecked(bool checked);
    void SetVerticalCharTest(std::function<bool(const QString&)> hasVerticalForm);
    void SetFaceName(const QString& faceName);
    void SetChar(const QString& ch);
    // The screen area the main window may take; the primary screen's
    // available area unless set.
    void SetAvailableArea(std::function<QSize()> available);

    // Makes the off-screen surface; false, after a message, when it cannot.
    bool OnCreate();
    bool CreateOffscreen(int width, int height);
    const QImage& Offscreen() const { return m_bmpMem; }
    // Draws canvas, grid and sample onto an image the size of the view.
    void OnDraw(QImage& target);

    // Sizes the view to 512 x max(H, 282) and the main window around it.
    void FitFrameToCanvas();
    // Changes the canvas side, with a blank canvas and history; falls back to
    // the old side when the screen cannot hold the window.
    void SetCanvasSize(int side);
    CommandState UpdateCommand(int id) const;
    // The options command: runs the dialog and takes what changed.
    void OnOptions();

    // Stores the settings of the run; done once, when the view goes away.
    void StoreSettings();

    CDrawingModel& Model() { return m_model; }
    const CDrawingModel& Model() const { return m_model; }

    // Runs a command on the model and reports the change.
    bool OnCommand(int id);

    // The status bar panes that show the pointer position; none by default.
    void SetStatusPanes(QLabel* xPane, QLabel* yPane);

    QSize sizeHint() const override;

    // IDrawingHost
    void RepaintNow() override;
    void Invalidate() override;
    bool HasStatusBar() const override;
    void SetStatusPaneText(int pane, const QString& text) override;
    void ShowPenEditor() override;

    // The canvas as painted: ink black, paper white, top row first.
    QImage CanvasImage() const;

signals:
    // Something changed that can alter a command's enabled or checked state.
    void StateChanged();
    void PenEditorRequested();
    // The help button of a dialog the view runs.
    void HelpRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;
    bool event(QEvent* event) override;

private:
    void PointerDown(PointerButton button, QPoint pos, bool grab);
    void PointerUp();
    void DropCapture();
    void UpdateCursor();
    void ApplyCanvasSide(int side);
    void DrawGrid(QImage& target) const;
    void DrawSample(QImage& target);
    void DrawGuide(QImage& target) const;
    void ShowMessage(const QString& text);

    CViewSettings m_settings;
    CDrawingModel m_model;
    std::unique_ptr<IMessageBox> m_pOwnMessages;
    IMessageBox* m_pMessages = nullptr;
    CQuilleryDoc* m_pDoc = nullptr;
    const CSettingsStore* m_pStore = nullptr;
    CFontFilePathWriter::EditorRelease m_releaseEditor;
    QString m_strFontFilePathAtClose;
    std::unique_ptr<ISampleGlyphSource> m_pSampleSource;
    std::function<const CGlyphGuide*()> m_guideSource;
    std::function<bool()> m_confirmDiscard;
    bool m_bVerticalChecked = false;
    std::function<bool(const QString&)> m_hasVerticalForm;
    std::function<QSize()> m_availableArea;
    bool m_bSettingsStored = false;
    QImage m_bmpMem;
    QLabel* m_pXPane = nullptr;
    QLabel* m_pYPane = nullptr;
};
