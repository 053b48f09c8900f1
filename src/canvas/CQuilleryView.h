#pragma once

#include "canvas/CDrawingModel.h"
#include "canvas/IDrawingHost.h"

#include <QImage>
#include <QWidget>

class QLabel;

// The drawing view: shows the canvas dot for dot at its top-left corner on a
// grey ground and turns mouse and tablet input into the model's pointer
// events. Everything the input means is decided by CDrawingModel.
class CQuilleryView : public QWidget, public IDrawingHost
{
    Q_OBJECT

public:
    explicit CQuilleryView(QWidget* parent = nullptr);

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

protected:
    void paintEvent(QPaintEvent* event) override;
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

    CDrawingModel m_model;
    QLabel* m_pXPane = nullptr;
    QLabel* m_pYPane = nullptr;
};
