#pragma once

#include <QString>

// How the font editor answered one of the table's questions.
struct CSourceAnswer
{
    enum class EStatus {
        Ok,
        NoFont,  // no editor connected, or it has no font open
        Lacking, // the editor does not have the member
        Failed,  // the call failed (with the text the user would see)
    };
    EStatus status = EStatus::Ok;
    QString text;

    bool Ok() const { return status == EStatus::Ok; }
};

// What the character table needs: the font as the editor has it now and the
// stroke folder. Implemented over the editor connection and by test doubles.
class ICharTableSource
{
public:
    virtual ~ICharTableSource() = default;

    // The user opened the table: connect to the editor and open its font
    // when that has not happened yet; shows its own messages.
    virtual void Connect() = 0;
    // Attaches to the editor's font for the questions that follow; never
    // connects and never shows a message.
    virtual bool Attach() = 0;

    virtual CSourceAnswer GlyphCodes() = 0;
    virtual CSourceAnswer GlyphOutline(quint16 code, bool vertical) = 0;
    virtual CSourceAnswer Metrics() = 0;
    // Removing counts as a change of the font, saved with it.
    virtual CSourceAnswer RemoveGlyph(quint16 code, bool vertical) = 0;

    virtual QString StrokeFolder() const = 0;
};
