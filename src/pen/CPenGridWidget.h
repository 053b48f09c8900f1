#pragma once

#include "canvas/CPenTip.h"
#include "pen/IPenEditHost.h"

#include <QImage>
#include <QWidget>

class CPenEditModel;

// The drawing area of the pen editor: the tip at its actual size in a red
// frame, and beside it the enlarged grid with its centre cross. Pointer
// events go to the model, which decides what they paint.
class CPenGridWidget : public QWidget, public IPenEditHost
{
    Q_OBJECT

public:
    CPenGridWidget(CPenEditModel& model, QWidget* parent = nullptr);

    void InvalidateRect(const QRect& rect) override;
    void UpdateCursor();

    // The tip as shown: ink black, paper white, top row first.
    static QImage TipImage(const CPenTip::Bits& bits);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void PaintGrid(QPainter& painter) const;

    CPenEditModel& m_model;
};
