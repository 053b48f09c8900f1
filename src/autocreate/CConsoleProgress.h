#pragma once

#include "app/IViewServices.h"
#include "autocreate/IAutoCreateHost.h"

// The progress of a run without a window, on standard error: on a terminal
// one line that is rewritten in place, otherwise a plain line whenever the
// percentage changes (for logs and pipes). There is no view to repaint; the
// events let through are those of the signals that end a run.
class CConsoleProgress : public IAutoCreateProgress, public IViewServices
{
public:
    CConsoleProgress();

    void Open() override;
    void SetPosition(int pos) override;
    void Close() override;

    void Repaint() override {}
    // False once a stop was asked for.
    bool PumpMessages() override;
    void RequestStop() { m_bStop = true; }
    void BringToFront() override {}

    // Ends a progress line left open on the terminal, so that a message
    // printed now starts on a line of its own.
    static void EndLine();

private:
    bool m_bTerminal;
    int m_nLastPos = -1;
    bool m_bStop = false;
};
