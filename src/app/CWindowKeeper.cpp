#include "app/CWindowKeeper.h"

#include "app/CWindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
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
QSize CWindowKeeper::Decoration(const QWidget* window) const
{
    const QSize own = window->frameGeometry().size() - window->size();
    if (window == m_pFrame || own != QSize(0, 0))
        return own;
    return m_pFrame->frameGeometry().size() - m_pFrame->size();
}

QRect CWindowKeeper::OuterFrame(const QWidget* window) const
{
    return QRect(window->frameGeometry().topLeft(), window->size() + Decoration(window));
}

// Qt places a top-level window by its outer frame and sizes it by its inside.
void CWindowKeeper::MoveTo(QWidget* window, const QRect& outer) const
{
    const QSize inside = outer.size() - Decoration(window);
    if (inside != window->size() && window->minimumSize() != window->maximumSize())
        window->resize(inside.expandedTo(window->minimumSize()));
    window->move(outer.topLeft());
}

void CWindowKeeper::RestoreFrame()
{
    if (!m_pStore)
        return;
    const std::optional<QRect> remembered = CWindowPlacement::Remembered(*m_pStore, kMainWindow);
    if (!remembered)
        return;
    // The main window keeps the size its canvas gives it; only its place
    // comes back.
    if (const std::optional<QRect> place = CWindowPlacement::OnScreens(*remembered, WorkAreas()))
        m_pFrame->move(place->topLeft());
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
            place = CWindowPlacement::OnScreens(*remembered, WorkAreas());
    } else if (name.isEmpty() && window->testAttribute(Qt::WA_Moved)) {
        place = CWindowPlacement::OnScreens(OuterFrame(window), WorkAreas());
    }
    if (!place)
        place = CWindowPlacement::Beside(m_pFrame->frameGeometry(), window->size() + Decoration(window),
                                         WorkAreaOf(m_pFrame));
    MoveTo(window, *place);
}

void CWindowKeeper::Remember(QWidget* window, const QString& name)
{
    if (m_pStore && !name.isEmpty())
        CWindowPlacement::Remember(*m_pStore, name, OuterFrame(window));
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
