#include "chartable/CFontMetrics.h"

#include <QStringList>

#include <cmath>

namespace {

// Far beyond any em a font format allows.
constexpr double kMaxUnits = 1e5;

} // namespace

std::optional<CFontMetrics> CFontMetrics::Parse(const QString& text)
{
    const QStringList tokens = text.split(u' ', Qt::SkipEmptyParts);
    if (tokens.size() != 4)
        return std::nullopt;
    double values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = tokens[i].toDouble(&ok);
        if (!ok || !std::isfinite(values[i]) || values[i] < 0 || values[i] > kMaxUnits)
            return std::nullopt;
    }
    // An em or a line height of nothing cannot be scaled into a cell.
    if (values[0] <= 0 || values[1] + values[2] <= 0 || values[3] <= 0)
        return std::nullopt;
    return CFontMetrics {values[0], values[1], values[2], values[3]};
}
