#pragma once

#include <QList>
#include <QPointF>
#include <QString>
#include <optional>

// One glyph's outline as the font editor describes it (member GlyphOutline):
// its advance and its contours, in font units with y upward from the
// baseline. The text comes from another process, so Parse checks every token
// and refuses the whole answer rather than draw half a glyph.
class CGlyphOutline {
public:
    enum class EKind { Move, Line, Quad, Cubic, Close };
    struct Command {
        EKind kind;
        // The control points, then the end point; none for Close.
        QList<QPointF> points;
    };

    static std::optional<CGlyphOutline> Parse(const QString& text);

    double Advance() const { return m_advance; }
    const QList<Command>& Commands() const { return m_commands; }
    bool IsEmpty() const { return m_commands.isEmpty(); }

private:
    double m_advance = 0;
    QList<Command> m_commands;
};
