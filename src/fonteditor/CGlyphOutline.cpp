#include "fonteditor/CGlyphOutline.h"

#include <QStringList>
#include <cmath>

namespace {

// Far beyond any em, small enough that scaling never overflows.
constexpr double kMaxCoordinate = 1e6;

std::optional<double> Number(const QString& token)
{
    bool bOk = false;
    const double v = token.toDouble(&bOk);
    if (!bOk || !std::isfinite(v) || std::abs(v) > kMaxCoordinate)
        return std::nullopt;
    return v;
}

int PointCount(CGlyphOutline::EKind kind)
{
    switch (kind) {
    case CGlyphOutline::EKind::Move:
    case CGlyphOutline::EKind::Line: return 1;
    case CGlyphOutline::EKind::Quad: return 2;
    case CGlyphOutline::EKind::Cubic: return 3;
    case CGlyphOutline::EKind::Close: return 0;
    }
    return 0;
}

std::optional<CGlyphOutline::EKind> KindOf(const QString& token)
{
    using K = CGlyphOutline::EKind;
    if (token == u"M")
        return K::Move;
    if (token == u"L")
        return K::Line;
    if (token == u"Q")
        return K::Quad;
    if (token == u"C")
        return K::Cubic;
    if (token == u"Z")
        return K::Close;
    return std::nullopt;
}

} // namespace

std::optional<CGlyphOutline> CGlyphOutline::Parse(const QString& text)
{
    const QStringList tokens = text.split(u' ', Qt::SkipEmptyParts);
    if (tokens.size() < 2 || tokens[0] != u"A")
        return std::nullopt;
    CGlyphOutline outline;
    const auto advance = Number(tokens[1]);
    if (!advance)
        return std::nullopt;
    outline.m_advance = *advance;
    bool bOpen = false;
    for (qsizetype i = 2; i < tokens.size();) {
        const auto kind = KindOf(tokens[i++]);
        if (!kind)
            return std::nullopt;
        // Every segment continues a contour that a move opened.
        if ((*kind == EKind::Move) == bOpen)
            return std::nullopt;
        bOpen = *kind != EKind::Close;
        Command command { *kind, {} };
        for (int p = 0; p < PointCount(*kind); ++p) {
            if (i + 1 >= tokens.size())
                return std::nullopt;
            const auto x = Number(tokens[i]);
            const auto y = Number(tokens[i + 1]);
            if (!x || !y)
                return std::nullopt;
            command.points.append(QPointF(*x, *y));
            i += 2;
        }
        outline.m_commands.append(command);
    }
    if (bOpen)
        return std::nullopt;
    return outline;
}
