#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// How the font editor answered a request to select a glyph.
struct GlyphSelection
{
    enum class Status {
        Selected,
        Refused,       // dispatch error 2006: the font has no such code
        DispatchError, // any other dispatch error, with code and description
        Failed,        // an automation failure without a dispatch error
    };
    static constexpr int kRefusedCode = 2006;

    Status status = Status::Selected;
    int code = 0;
    QString description;
};

// One character of the user's plan: a code and whether its vertical form.
struct PlannedChar
{
    quint16 code = 0;
    bool vertical = false;
};

// The characters of the plan that the font lacks, in the order to try them,
// or why there are none.
struct PlannedChars
{
    QList<PlannedChar> chars;
    QString whyNone;
};

// What character navigation needs from the view, the dialog bar and the
// connection to the font editor. Characters are code-page-932 bytes.
class ICharNavigationHost
{
public:
    virtual ~ICharNavigationHost() = default;

    // The connection; each shows its own messages on failure. HasEditor is
    // true while an editor answers.
    virtual bool HasEditor() const = 0;
    virtual bool ConnectEditor() = 0;
    virtual bool OpenFontInEditor() = 0;
    // The font to select glyphs in while following the field or the box:
    // never switches fonts, never asks, never reports.
    virtual bool FollowFont() { return OpenFontInEditor(); }
    virtual GlyphSelection SelectGlyph(quint16 code, bool vertical) = 0;
    // Shows an editor failure in front of the drawing window.
    virtual void ReportEditorError(const QString& text) = 0;

    // The dialog bar. Setting the character field runs OnCharChanged.
    virtual QByteArray GetCharText() const = 0;
    virtual void SetCharText(const QByteArray& ch) = 0;
    virtual bool IsVerticalChecked() const = 0;
    // Sets the box's check without it counting as a click.
    virtual void SetVerticalCheck(bool checked) { (void)checked; }
    // Disabling also unchecks the box.
    virtual void EnableVertical(bool enable) = 0;

    // The view.
    virtual QByteArray CurrentChar() const = 0;
    virtual void SetCurrentChar(const QByteArray& ch) = 0;
    // A stroke file is being loaded and drawn.
    virtual bool IsAutoCreating() const = 0;
    // An automatic creation run is going on (between files as well).
    virtual bool IsAutoCreateRunning() const = 0;
    virtual void Repaint() = 0;
    // Blank canvas, empty stroke list, a new undo history.
    virtual void ClearCanvasAndHistory() = 0;
    // Before the user's move drops a drawing that never went into the font:
    // false when the user keeps it.
    virtual bool ConfirmDiscardDrawing() { return true; }

    // The plan: why it cannot give characters at all (a list that could not
    // be read, a text not given), asked before anything else; empty when it
    // can.
    virtual QString PlanUnavailable() { return {}; }
    // The characters of the chosen set the font lacks, after the current
    // one. Asked once the font is open in the editor.
    virtual PlannedChars MissingChars() { return {}; }
};
