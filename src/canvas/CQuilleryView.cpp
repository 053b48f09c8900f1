#include "canvas/CQuilleryView.h"

#include "app/CFontFilePathWriter.h"
#include "app/COptionDlg.h"
#include "app/CQtMessageBox.h"
#include "app/CQuilleryDoc.h"
#include "app/CSettingsStore.h"
#include "canvas/CCursorFactory.h"
#include "canvas/OutlinePath.h"
#include "canvas/CSampleFont.h"
#include "canvas/CViewGeometry.h"
#include "fonteditor/CGlyphGuide.h"
#include "res/CommandIds.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTabletEvent>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

const QRgb kGround = qRgb(128, 128, 128);
// Grid lines are ANDed in: paper turns this grey, ink stays black.
const QRgb kGridMask = qRgb(192, 192, 192);
const QColor kSampleColor(0, 0, 255);
// The glyph already in the font is multiplied in: paper takes this pale
// tone, ink stays black.
const QColor kGuideColor(255, 222, 190);

// The eight pixels of every canvas byte, so that the canvas reaches the
// surface a byte at a time.
using PixelOctet = std::array<QRgb, 8>;
const std::array<PixelOctet, 256>& PixelOctets()
{
    static const std::array<PixelOctet, 256> table = [] {
        std::array<PixelOctet, 256> octets {};
        for (int byte = 0; byte < 256; ++byte)
            for (int bit = 0; bit < 8; ++bit)
                octets[byte][bit] = (byte & (0x80 >> bit)) ? 0xFFFFFFFFu : 0xFF000000u;
        return octets;
    }();
    return table;
}

} // namespace

CQuilleryView::CQuilleryView(QWidget* parent, const CViewSettings& settings)
    : QWidget(parent)
    , m_settings(settings)
    , m_model(settings.m_nBmpSize, settings.m_nToolSize)
    , m_pOwnMessages(std::make_unique<CQtMessageBox>(this))
    , m_pMessages(m_pOwnMessages.get())
    , m_pSampleSource(std::make_unique<CSampleFont>())
{
    m_model.SetHost(this);
    m_model.PenTip().LoadStored(m_settings.m_penBits);
    m_model.SetWriteStrokeFile(m_settings.m_bWriteStrokeFile);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(sizeHint());
    UpdateCursor();
}

CQuilleryView::~CQuilleryView()
{
    StoreSettings();
}

void CQuilleryView::SetMessageBox(IMessageBox* messages)
{
    m_pMessages = messages ? messages : m_pOwnMessages.get();
}

void CQuilleryView::ShowMessage(const QString& text)
{
    m_pMessages->ShowMessage(text);
}

void CQuilleryView::SetSampleSource(std::unique_ptr<ISampleGlyphSource> source)
{
    m_pSampleSource = std::move(source);
    update();
}

void CQuilleryView::SetVerticalChecked(bool checked)
{
    m_bVerticalChecked = checked;
    update();
}

void CQuilleryView::SetVerticalCharTest(std::function<bool(const QString&)> hasVerticalForm)
{
    m_hasVerticalForm = std::move(hasVerticalForm);
    update();
}

void CQuilleryView::SetFaceName(const QString& faceName)
{
    // Cut where it is taken, so that the face drawn now is the one the next
    // start reads back.
    m_settings.m_strFaceName = CViewSettings::TruncateFaceName(faceName);
    update();
}

void CQuilleryView::SetChar(const QString& ch)
{
    m_settings.m_strChar = ch;
    update();
}

void CQuilleryView::SetAvailableArea(std::function<QSize()> available)
{
    m_availableArea = std::move(available);
}

// The pen tip and its bits live in the model during the run.
CViewSettings CQuilleryView::CurrentSettings() const
{
    CViewSettings current = m_settings;
    current.m_nToolSize = m_model.ToolSize();
    const CPenTip::Bits& bits = m_model.PenTip().PenBits();
    current.m_penBits = QByteArray(reinterpret_cast<const char*>(bits.data()), CPenTip::kByteSize);
    return current;
}

// The settings are kept once.
void CQuilleryView::StoreSettings()
{
    if (!m_pStore || m_bSettingsStored)
        return;
    m_bSettingsStored = true;
    m_settings = CurrentSettings();
    m_settings.WriteAtShutdown(*m_pStore);
    CFontFilePathWriter::Write(*m_pStore, m_strFontFilePathAtClose, m_releaseEditor);
}

void CQuilleryView::OnOptions()
{
    COptionDlg dialog(*m_pMessages, window());
    dialog.SetValues(m_settings.Options());
    connect(&dialog, &COptionDlg::HelpRequested, this, &CQuilleryView::HelpRequested);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const COptionValues chosen = dialog.Values();
    // A new size starts a blank canvas; the user may keep the drawing, and
    // the size with it, rather than lose it.
    COptionValues applied = chosen;
    if (applied.bmpSize != m_settings.m_nBmpSize && m_confirmDiscard && !m_confirmDiscard())
        applied.bmpSize = m_settings.m_nBmpSize;
    const COptionRules::Changes changes = m_settings.ApplyOptions(applied, m_pStore);
    if (changes.bmpSize)
        SetCanvasSize(applied.bmpSize);
    m_model.SetWriteStrokeFile(m_settings.m_bWriteStrokeFile);
    update();
    emit StateChanged();
}

QSize CQuilleryView::sizeHint() const
{
    return CViewGeometry::ClientSize(m_model.Canvas().Height());
}

bool CQuilleryView::OnCreate()
{
    if (CreateOffscreen(width(), height()))
        return true;
    ShowMessage(QStringLiteral("ウィンドウの初期化に失敗しました。\nリソース不足が原因と思われます。"));
    return false;
}

bool CQuilleryView::CreateOffscreen(int width, int height)
{
    QImage surface(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    if (surface.isNull())
        return false;
    m_bmpMem = std::move(surface);
    return true;
}

void CQuilleryView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!CreateOffscreen(width(), height()))
        ShowMessage(QStringLiteral("システムリソースが不足しています。\n他のウィンドウを閉じてから実行してください。"));
}

void CQuilleryView::FitFrameToCanvas()
{
    setFixedSize(sizeHint());
    if (QWidget* frame = window(); frame != this)
        frame->adjustSize();
}

void CQuilleryView::ApplyCanvasSide(int side)
{
    if (m_pDoc)
        m_pDoc->LoadTemplate(side);
    m_model.CreateCanvas(side, side);
    m_model.ClearCanvas();
    m_model.ResetHistory();
    FitFrameToCanvas();
}

void CQuilleryView::SetCanvasSize(int side)
{
    if (side == m_settings.m_nBmpSize)
        return;
    const int oldSide = m_settings.m_nBmpSize;
    m_settings.m_nBmpSize = side;
    ApplyCanvasSide(side);
    update();

    QSize available;
    if (m_availableArea)
        available = m_availableArea();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        available = screen->availableGeometry().size();
    const QSize frameExtra = window()->frameGeometry().size() - size();
    if (available.isValid() && !CViewGeometry::CanvasFits(side, frameExtra, available)) {
        ShowMessage(QStringLiteral("画面の解像度が低いため、指定されたキャンパスサイズにできません。"));
        m_settings.m_nBmpSize = oldSide;
        ApplyCanvasSide(oldSide);
    }
    if (m_pStore)
        m_pStore->WriteRegDword(CViewSettings::kSection, QStringLiteral("BmpSize"), m_settings.m_nBmpSize);
    emit StateChanged();
}

CommandState CQuilleryView::UpdateCommand(int id) const
{
    if (CViewSettings::IsViewCommand(id))
        return m_settings.UpdateCommand(id);
    return m_model.UpdateCommand(id);
}

bool CQuilleryView::OnCommand(int id)
{
    if (m_settings.OnCommand(id)) {
        update();
        emit StateChanged();
        return true;
    }
    const bool handled = m_model.OnCommand(id);
    if (handled && id == cmd::ID_CLEAR_ALL && m_pDoc)
        m_pDoc->ClearDib();
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

// Everything is drawn off screen first, so the screen receives one copy and
// never shows a half-drawn state.
void CQuilleryView::paintEvent(QPaintEvent* event)
{
    if (m_bmpMem.size() != size() && !CreateOffscreen(width(), height()))
        return;
    OnDraw(m_bmpMem);
    QPainter painter(this);
    painter.drawImage(event->rect(), m_bmpMem, event->rect());
}

void CQuilleryView::OnDraw(QImage& target)
{
    target.fill(kGround);
    const CCanvasBitmap& canvas = m_model.Canvas();
    const int width = std::min(canvas.Width(), target.width());
    const int height = std::min(canvas.Height(), target.height());
    const auto& octets = PixelOctets();
    for (int row = 0; row < height; ++row) {
        const uint8_t* bits = canvas.Row(canvas.Height() - 1 - row);
        auto* line = reinterpret_cast<QRgb*>(target.scanLine(row));
        int x = 0;
        for (; x + 8 <= width; x += 8)
            std::memcpy(line + x, octets[bits[x >> 3]].data(), sizeof(PixelOctet));
        for (; x < width; ++x)
            line[x] = octets[bits[x >> 3]][x & 7];
    }
    DrawGuide(target);
    if (m_settings.m_bViewGrid)
        DrawGrid(target);
    if (m_settings.m_bViewSample)
        DrawSample(target);
}

void CQuilleryView::DrawGrid(QImage& target) const
{
    const int w = std::min(m_model.Canvas().Width(), target.width());
    const int h = m_model.Canvas().Height();
    const std::vector<int> lines = CViewGeometry::GridLinePositions(m_settings.m_nGridSize, m_settings.m_nBmpSize);
    for (int a : lines) {
        const int row = h - 1 - a;
        if (row >= 0 && row < target.height()) {
            auto* line = reinterpret_cast<QRgb*>(target.scanLine(row));
            for (int x = 0; x < w; ++x)
                line[x] &= kGridMask;
        }
    }
    for (int a : lines) {
        if (a < 0 || a >= target.width())
            continue;
        for (int row = 0; row < std::min(h, target.height()); ++row)
            reinterpret_cast<QRgb*>(target.scanLine(row))[a] &= kGridMask;
    }
}

void CQuilleryView::DrawSample(QImage& target)
{
    if (!m_pSampleSource)
        return;
    const QString& ch = m_settings.m_strChar;
    const bool vertical = CViewGeometry::IsVerticalSample(m_bVerticalChecked, m_hasVerticalForm && m_hasVerticalForm(ch));
    const CSampleGlyph glyph = m_pSampleSource->Glyph(m_settings.m_strFaceName, ch, vertical);
    if (glyph.outline.isEmpty())
        return;
    const CViewGeometry::Metrics metrics
        = CViewGeometry::SampleMetrics(glyph.hasOutlineMetrics, glyph.unitsPerEm, glyph.descender);
    const CCanvasBitmap& canvas = m_model.Canvas();
    const CViewGeometry::Affine t = CViewGeometry::SampleTransform(vertical, canvas.Width(), canvas.Height(), metrics);

    QPainter painter(&target);
    QPen pen(kSampleColor, 1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.setTransform(QTransform(t.m11, t.m12, t.m21, t.m22, t.dx, t.dy));
    painter.drawPath(glyph.outline);
}

void CQuilleryView::DrawGuide(QImage& target) const
{
    const CGlyphGuide* guide = m_guideSource ? m_guideSource() : nullptr;
    if (!guide)
        return;
    const QPainterPath path = OutlinePath(guide->Outline());
    CViewGeometry::Metrics metrics;
    metrics.em = guide->Em();
    metrics.descent = guide->Descent();
    const CCanvasBitmap& canvas = m_model.Canvas();
    const CViewGeometry::Affine t = CViewGeometry::SampleTransform(false, canvas.Width(), canvas.Height(), metrics);

    QPainter painter(&target);
    painter.setClipRect(0, 0, canvas.Width(), canvas.Height());
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kGuideColor);
    painter.setTransform(QTransform(t.m11, t.m12, t.m21, t.m22, t.dx, t.dy));
    painter.drawPath(path);
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
