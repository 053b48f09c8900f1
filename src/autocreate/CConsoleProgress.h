#pragma once

#include "app/IViewServices.h"
#include "autocreate/IAutoCreateHost.h"

// The progress of a run without a window, as a percentage on standard error;
// there is no view to repaint and no event to let through.
class CConsoleProgress : public IAutoCreateProgress, public IViewServices
{
public:
    void Open() override;
    void SetPosition(int pos) override;
    void Close() override;

    void Repaint() override {}
    bool PumpMessages() override { return true; }
    void BringToFront() override {}
};
