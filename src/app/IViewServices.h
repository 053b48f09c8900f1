#pragma once

#include <QString>

// What the controller of the drawing view needs from the window system.
class IViewServices
{
public:
    virtual ~IViewServices() = default;

    // Mark the drawing view for repainting.
    virtual void Repaint() = 0;
    // Let waiting user-interface events through; false once the program has
    // been told to quit.
    virtual bool PumpMessages() = 0;
    // Bring the program's window in front, so that an editor error is seen.
    virtual void BringToFront() = 0;
    // A line for the status bar saying what the last command did.
    virtual void ShowStatus(const QString& text) { (void)text; }
};
