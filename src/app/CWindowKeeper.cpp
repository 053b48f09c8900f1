#include "app/CWindowKeeper.h"

#include "app/CWindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace {

QList<QRect> WorkAreas()
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

QRect WorkAreaOf(const QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

CWindowKeeper::CWindowKeeper(QWidget* frame, const CSettingsStore* store)
    : QObject(frame)
    , m_pFrame(frame)
    , m_pStore(store)
{
}

// A window the window manager has not framed yet has no frame of its own:
// the main window's frame tells what it will add.
QMargins CWindowKeeper::Margins(const QWidget* window) const
{
    const auto margins = [](const QWidget* w) {
        const QRect outer = w->frameGeometry();
        const QRect inner = w->geometry();
        return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                        outer.bottom() - inner.bottom());
    };
    const QMargins own = margins(window);
    return window == m_pFrame || !own.isNull() ? own : margins(m_pFrame);
}

QRect CWindowKeeper::OuterFrame(const QWidget* window) const
{
    return window->geometry().marginsAdded(Margins(window));
}

// Places are set and remembered by the inside of the window: window managers
// differ in where they put the frame of a window that is not shown yet, but
// not in where they put its inside.
void CWindowKeeper::MoveTo(QWidget* window, const QRect& outer) const
{
    QRect inside = outer.marginsRemoved(Margins(window));
    if (window->minimumSize() == window->maximumSize())
        inside.setSize(window->size());
    window->setGeometry(inside);
}

// The first time, the main window goes to the left of the screen, so that
// the tool windows have room beside it. Its frame is not known before it is
// shown: a title bar is assumed, and the window is moved inside the screen
// once its frame is known.
void CWindowKeeper::RestoreFrame()
{
    const QRect work = WorkAreaOf(m_pFrame);
    const QMargins assumed(0, m_pFrame->style()->pixelMetric(QStyle::PM_TitleBarHeight), 0, 0);
    QRect outer = QRect(work.topLeft(), m_pFrame->size()).marginsAdded(assumed);
    outer.moveTopLeft(work.topLeft());
    if (!m_bFrameWatched) {
        m_pFrame->installEventFilter(this);
        m_bFrameWatched = true;
    }
    if (const std::optional<QRect> remembered
        = m_pStore ? CWindowPlacement::Remembered(*m_pStore, kMainWindow) : std::nullopt) {
        // The main window keeps the size its canvas gives it; only its
        // place comes back.
        const QRect was = QRect(remembered->topLeft(), m_pFrame->size()).marginsAdded(assumed);
        outer = CWindowPlacement::OnScreens(was, WorkAreas()).value_or(outer);
    }
    m_pFrame->setGeometry(outer.marginsRemoved(assumed));
}

void CWindowKeeper::KeepInside(QWidget* window)
{
    const QRect outer = window->frameGeometry();
    const QRect inside = CWindowPlacement::Inside(outer, WorkAreaOf(window));
    if (inside.topLeft() != outer.topLeft())
        window->move(inside.topLeft());
}

void CWindowKeeper::Keep(QWidget* window, const QString& name)
{
    if (m_names.contains(window))
        return;
    m_names.insert(window, name);
    m_windows << window;
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, [this](QObject* gone) {
        m_names.remove(gone);
        m_placed.remove(gone);
    });
}

void CWindowKeeper::Place(QWidget* window)
{
    const QString name = m_names.value(window);
    std::optional<QRect> place;
    if (!name.isEmpty() && m_pStore) {
        if (const std::optional<QRect> remembered = CWindowPlacement::Remembered(*m_pStore, name))
            place = CWindowPlacement::OnScreens(remembered->marginsAdded(Margins(window)), WorkAreas());
    } else if (name.isEmpty() && window->testAttribute(Qt::WA_Moved)) {
        place = CWindowPlacement::OnScreens(OuterFrame(window), WorkAreas());
    }
    if (!place) {
        const QMargins margins = Margins(window);
        const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize())
                                .grownBy(margins);
        place = CWindowPlacement::Beside(m_pFrame->frameGeometry(), OuterFrame(window).size(), WorkAreaOf(m_pFrame),
                                         window->minimumSize() == window->maximumSize() ? QSize() : least);
    }
    MoveTo(window, *place);
}

void CWindowKeeper::Remember(QWidget* window, const QString& name)
{
    if (m_pStore && !name.isEmpty())
        CWindowPlacement::Remember(*m_pStore, name, window->geometry());
}

// Hidden windows were remembered as they were hidden.
void CWindowKeeper::RememberAll()
{
    Remember(m_pFrame, kMainWindow);
    for (const QPointer<QWidget>& window : m_windows) {
        if (window && window->isVisible())
            Remember(window, m_names.value(window));
    }
}

bool CWindowKeeper::eventFilter(QObject* watched, QEvent* event)
{
    // Qt learns the frame lazily and tells no event of it; the first paint
    // comes after the window manager has framed the window.
    if (watched == m_pFrame && m_bFrameWatched
        && (event->type() == QEvent::Paint || event->type() == QEvent::Move) && !Margins(m_pFrame).isNull()) {
        m_bFrameWatched = false;
        m_pFrame->removeEventFilter(this);
        KeepInside(m_pFrame);
    }
    auto* window = qobject_cast<QWidget*>(watched);
    if (window && m_names.contains(watched)) {
        if (event->type() == QEvent::Show && !m_placed.contains(watched)) {
            m_placed.insert(watched);
            Place(window);
        } else if (event->type() == QEvent::Hide) {
            Remember(window, m_names.value(watched));
        }
    }
    return QObject::eventFilter(watched, event);
}
