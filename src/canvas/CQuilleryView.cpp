#include "canvas/CQuilleryView.h"

#include "canvas/CCursorFactory.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTabletEvent>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kViewWidth = 512;
constexpr int kMinViewHeight = 282;

} // namespace

CQuilleryView::CQuilleryView(QWidget* parent)
    : QWidget(parent)
{
    m_model.SetHost(this);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    UpdateCursor();
}

QSize CQuilleryView::sizeHint() const
{
    return {kViewWidth, std::max(m_model.Canvas().Height(), kMinViewHeight)};
}

bool CQuilleryView::OnCommand(int id)
{
    const bool handled = m_model.OnCommand(id);
    if (handled) {
        UpdateCursor();
        emit StateChanged();
    }
    return handled;
}

void CQuilleryView::SetStatusPanes(QLabel* xPane, QLabel* yPane)
{
    m_pXPane = xPane;
    m_pYPane = yPane;
}

void CQuilleryView::RepaintNow()
{
    repaint();
}

void CQuilleryView::Invalidate()
{
    update();
}

bool CQuilleryView::HasStatusBar() const
{
    return m_pXPane && m_pYPane;
}

void CQuilleryView::SetStatusPaneText(int pane, const QString& text)
{
    QLabel* label = pane == 1 ? m_pXPane : pane == 2 ? m_pYPane : nullptr;
    if (label)
        label->setText(text);
}

void CQuilleryView::ShowPenEditor()
{
    emit PenEditorRequested();
}

QImage CQuilleryView::CanvasImage() const
{
    const CCanvasBitmap& canvas = m_model.Canvas();
    QImage image(canvas.Width(), canvas.Height(), QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const int bytes = std::min<int>(canvas.RowBytes(), static_cast<int>(image.bytesPerLine()));
    for (int y = 0; y < canvas.Height(); ++y)
        std::memcpy(image.scanLine(canvas.Height() - 1 - y), canvas.Row(y), static_cast<size_t>(bytes));
    return image;
}

void CQuilleryView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor(128, 128, 128));
    painter.drawImage(0, 0, CanvasImage());
}

void CQuilleryView::UpdateCursor()
{
    setCursor(CCursorFactory::Cursor(m_model.CursorId()));
}

void CQuilleryView::PointerDown(PointerButton button, QPoint pos, bool grab)
{
    if (!m_model.OnButtonDown(button, pos))
        return;
    if (grab)
        grabMouse();
    emit StateChanged();
}

void CQuilleryView::PointerUp()
{
    if (!m_model.HasCapture())
        return;
    m_model.OnButtonUp();
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    emit StateChanged();
}

// The grab went elsewhere (another window, a dialog): the stroke stays as
// painted and its release will be ignored.
void CQuilleryView::DropCapture()
{
    if (!m_model.HasCapture())
        return;
    m_model.OnCaptureLost();
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
}

void CQuilleryView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        PointerDown(PointerButton::Left, event->position().toPoint(), true);
    else if (event->button() == Qt::RightButton)
        PointerDown(PointerButton::Right, event->position().toPoint(), true);
}

void CQuilleryView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_model.HasCapture() && QWidget::mouseGrabber() != this)
        DropCapture();
    m_model.OnMove(event->position().toPoint(), event->buttons().testFlag(Qt::LeftButton));
}

void CQuilleryView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    if (m_model.HasCapture() && QWidget::mouseGrabber() != this)
        DropCapture();
    PointerUp();
}

// A pen on a tablet draws exactly as a mouse drag: its tip is the left
// button, its barrel button the right one. Qt delivers a tablet stroke to the
// widget that took its press, which stands in for the capture.
void CQuilleryView::tabletEvent(QTabletEvent* event)
{
    const QPoint pos = event->position().toPoint();
    switch (event->type()) {
    case QEvent::TabletPress:
        PointerDown(event->button() == Qt::RightButton ? PointerButton::Right : PointerButton::Left, pos, false);
        break;
    case QEvent::TabletMove:
        m_model.OnMove(pos, event->buttons().testFlag(Qt::LeftButton));
        break;
    case QEvent::TabletRelease:
        PointerUp();
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

bool CQuilleryView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
        DropCapture();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}
