#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

class CSettingsStore;

// Where the program's windows go on the screens there are, in desktop
// coordinates. Placing works on the windows' outer frames; a remembered
// place is the inside of the window, without the frame.
class CWindowPlacement
{
public:
    // The settings group that remembers where the user put each window.
    static inline const QString kSection = QStringLiteral("Windows");

    // A window of the given size beside the frame: to its right when the
    // work area has room there, else to its left; a window that may be as
    // narrow as minimum is narrowed to the wider side when neither holds it
    // whole; else it goes to the screen's edge on the wider side, covering as
    // little of the frame as it can. Its top is level with
    // the frame's. The result always lies inside the work area, shrunk to it
    // when the window is larger.
    static QRect Beside(const QRect& frame, QSize size, const QRect& workArea, QSize minimum = QSize());
    // The rectangle moved (and, when larger, shrunk) to lie inside the work
    // area, moving as little as it can.
    static QRect Inside(const QRect& rect, const QRect& workArea);
    // A remembered window on the screens there are now: inside the work area
    // it overlaps most. Nothing when it overlaps none (its screen is gone or
    // the place was never real), so that it is placed afresh.
    static std::optional<QRect> OnScreens(const QRect& remembered, const QList<QRect>& workAreas);

    // The place remembered for the window of that name; nothing when none
    // is, or when the stored text is not a place.
    static std::optional<QRect> Remembered(const CSettingsStore& store, const QString& name);
    static void Remember(const CSettingsStore& store, const QString& name, const QRect& place);
    // "x y width height"; a text of any other form is no place.
    static QString ToText(const QRect& place);
    static std::optional<QRect> FromText(const QString& text);
};
