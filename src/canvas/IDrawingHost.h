#pragma once

#include <QString>

// What the drawing model needs from the window that shows it: repainting and
// the status bar panes. Implemented by the drawing view, and by test doubles.
class IDrawingHost
{
public:
    virtual ~IDrawingHost() = default;

    // Repaint the whole view before returning.
    virtual void RepaintNow() = 0;
    // Mark the whole view for repainting at the next paint.
    virtual void Invalidate() = 0;
    virtual bool HasStatusBar() const = 0;
    virtual void SetStatusPaneText(int pane, const QString& text) = 0;
    // The user-defined tip was chosen: show the pen editor if it is hidden.
    virtual void ShowPenEditor() = 0;
};
