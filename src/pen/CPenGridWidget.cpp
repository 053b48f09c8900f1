#include "pen/CPenGridWidget.h"

#include "canvas/CCursorFactory.h"
#include "pen/CPenEditModel.h"

#include <QMouseEvent>
#include <QPainter>

#include <cstring>

namespace {

const QColor kFrameColour(255, 0, 0);
const QColor kGridColour(192, 192, 192);

bool HasLeft(const QMouseEvent* event)
{
    return event->buttons().testFlag(Qt::LeftButton) || event->button() == Qt::LeftButton;
}

} // namespace

CPenGridWidget::CPenGridWidget(CPenEditModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_model.SetHost(this);
    UpdateCursor();
}

void CPenGridWidget::InvalidateRect(const QRect& rect)
{
    update(rect);
}

void CPenGridWidget::UpdateCursor()
{
    setCursor(CCursorFactory::Cursor(m_model.CursorId()));
}

QImage CPenGridWidget::TipImage(const CPenTip::Bits& bits)
{
    QImage image(CPenTip::kSize, CPenTip::kSize, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int row = 0; row < CPenTip::kSize; ++row)
        std::memcpy(image.scanLine(CPenTip::kSize - 1 - row), bits.data() + row * CPenTip::kRowBytes,
                    CPenTip::kRowBytes);
    return image;
}

void CPenGridWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    painter.setPen(kFrameColour);
    painter.drawRect(CPenEditModel::PreviewFrameRect().adjusted(0, 0, -1, -1));
    painter.drawImage(CPenEditModel::PreviewRect().topLeft(), TipImage(m_model.Tip().PenBits()));
    PaintGrid(painter);
}

void CPenGridWidget::PaintGrid(QPainter& painter) const
{
    constexpr int side = CPenEditModel::kSide;
    const int t = m_model.Cell();
    const QRect grid = m_model.GridRect();
    const int x0 = grid.left();
    const int y0 = grid.top();

    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (m_model.IsInk({x, y}))
                painter.fillRect(m_model.CellRect({x, y}), Qt::black);

    painter.setPen(kGridColour);
    for (int i = 0; i <= side; ++i) {
        painter.drawLine(x0, y0 + i * t, x0 + side * t, y0 + i * t);
        painter.drawLine(x0 + i * t, y0, x0 + i * t, y0 + side * t);
    }

    painter.setPen(kFrameColour);
    const int half = side / 2;
    painter.drawLine(x0 + t * (half - 1), y0 + t * side / 2, x0 + t * (half + 1), y0 + t * side / 2);
    painter.drawLine(x0 + t * side / 2, y0 + t * (half - 1), x0 + t * side / 2, y0 + t * (half + 1));
}

void CPenGridWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_model.OnSize(width(), height());
    update();
}

// Qt keeps sending a pressed widget the pointer's events until the last
// button is up, which stands in for the capture.
void CPenGridWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    m_model.OnButtonDown(event->position().toPoint(), HasLeft(event));
}

void CPenGridWidget::mouseMoveEvent(QMouseEvent* event)
{
    m_model.OnMove(event->position().toPoint(), event->buttons().testFlag(Qt::LeftButton));
}

void CPenGridWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        m_model.OnButtonUp();
}

void CPenGridWidget::hideEvent(QHideEvent* event)
{
    m_model.OnCaptureLost();
    QWidget::hideEvent(event);
}
