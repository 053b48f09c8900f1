#pragma once

#include <QSize>

class CQuilleryDoc;
class CSettingsStore;
class CViewSettings;

// What start-up needs from the windowing side: the main window and the
// screen. Implemented on Qt's widgets and by test doubles.
class IAppPlatform
{
public:
    virtual ~IAppPlatform() = default;

    // Prepares the services that drive the font editor; false when they
    // cannot be started.
    virtual bool InitAutomation() = 0;
    // The part of the primary screen that windows may cover.
    virtual QSize WorkArea() const = 0;
    // Builds the main window with the drawing view; false, after the view's
    // own message, when it cannot be made.
    virtual bool CreateMainWindow(const CViewSettings& settings, const CSettingsStore& store, CQuilleryDoc& doc) = 0;
    virtual void ShowMainWindow() = 0;
    virtual void FitFrameToCanvas() = 0;
    // Brings the main window in front and gives it the focus.
    virtual void ActivateMainWindow() = 0;
};
