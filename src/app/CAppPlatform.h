#pragma once

#include "app/IAppPlatform.h"

#include <memory>

class CMainFrame;

// Start-up's window side on Qt: makes the main frame with its view, shows,
// fits and raises it.
class CAppPlatform : public IAppPlatform
{
public:
    CAppPlatform();
    ~CAppPlatform() override;

    bool InitAutomation() override;
    QSize WorkArea() const override;
    bool CreateMainWindow(const CViewSettings& settings, const CSettingsStore& store, CQuilleryDoc& doc) override;
    void ShowMainWindow() override;
    void FitFrameToCanvas() override;
    void ActivateMainWindow() override;

    CMainFrame* Frame() const { return m_pFrame.get(); }
    // Closes the window for good; the view stores the settings on its way.
    void DestroyMainWindow();
    // The program was told to end: the window closes as a close by the user
    // would, without questions; before the window exists, the program ends.
    void EndOnSignal();

private:
    std::unique_ptr<CMainFrame> m_pFrame;
};
