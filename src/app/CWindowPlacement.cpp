#include "app/CWindowPlacement.h"

#include "app/CSettingsStore.h"

#include <QStringList>

#include <algorithm>

namespace {

// Larger than any desktop; a stored place beyond it is not a real one.
constexpr int kMaxCoordinate = 1 << 20;

qint64 Area(const QRect& rect)
{
    return rect.isValid() ? qint64(rect.width()) * rect.height() : 0;
}

} // namespace

QRect CWindowPlacement::Beside(const QRect& frame, QSize size, const QRect& workArea, QSize minimum)
{
    QSize fitted = size.boundedTo(workArea.size());
    const int right = workArea.right() - frame.right();
    const int left = frame.left() - workArea.left();
    // A window that can be narrower takes the wider side rather than cover
    // the frame, when that side holds it at its least width.
    const int least = minimum.isValid() ? std::min(minimum.width(), fitted.width()) : fitted.width();
    if (fitted.width() > std::max(right, left) && least <= std::max(right, left))
        fitted.setWidth(std::max(right, left));
    // Covering some of the frame cannot be helped: as little as it can, at
    // the edge of the wider side.
    int x = 0;
    if (fitted.width() <= right)
        x = frame.right() + 1;
    else if (fitted.width() <= left)
        x = frame.left() - fitted.width();
    else if (right >= left)
        x = workArea.right() + 1 - fitted.width();
    else
        x = workArea.left();
    const int top = std::clamp(frame.top(), workArea.top(), workArea.bottom() + 1 - fitted.height());
    return QRect(QPoint(x, top), fitted);
}

QRect CWindowPlacement::Inside(const QRect& rect, const QRect& workArea)
{
    const QSize fitted = rect.size().boundedTo(workArea.size());
    const int left = std::clamp(rect.left(), workArea.left(), workArea.right() + 1 - fitted.width());
    const int top = std::clamp(rect.top(), workArea.top(), workArea.bottom() + 1 - fitted.height());
    return QRect(QPoint(left, top), fitted);
}

std::optional<QRect> CWindowPlacement::OnScreens(const QRect& remembered, const QList<QRect>& workAreas)
{
    const QRect* best = nullptr;
    for (const QRect& area : workAreas) {
        if (Area(area.intersected(remembered)) > (best ? Area(best->intersected(remembered)) : 0))
            best = &area;
    }
    if (!best)
        return std::nullopt;
    return Inside(remembered, *best);
}

std::optional<QRect> CWindowPlacement::Remembered(const CSettingsStore& store, const QString& name)
{
    QString text;
    if (!store.ReadRegString(kSection, name, text))
        return std::nullopt;
    return FromText(text);
}

void CWindowPlacement::Remember(const CSettingsStore& store, const QString& name, const QRect& place)
{
    store.WriteRegString(kSection, name, ToText(place));
}

QString CWindowPlacement::ToText(const QRect& place)
{
    return QStringLiteral("%1 %2 %3 %4").arg(place.x()).arg(place.y()).arg(place.width()).arg(place.height());
}

std::optional<QRect> CWindowPlacement::FromText(const QString& text)
{
    const QStringList fields = text.split(u' ', Qt::SkipEmptyParts);
    if (fields.size() != 4)
        return std::nullopt;
    int numbers[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = fields[i].toInt(&ok);
        if (!ok || std::abs(numbers[i]) > kMaxCoordinate)
            return std::nullopt;
    }
    if (numbers[2] <= 0 || numbers[3] <= 0)
        return std::nullopt;
    return QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
}
