#pragma once

#include "autocreate/CConsoleProgress.h"

#include <QStringList>

#include <functional>

// Progress and view services of a run without a window, whose pause between
// two characters runs a hook, as the window's event processing would.
class PausingServices : public CConsoleProgress
{
public:
    bool PumpMessages() override
    {
        if (onPump)
            onPump();
        return true;
    }
    void ShowStatus(const QString& text) override { statuses << text; }
    std::function<void()> onPump;
    QStringList statuses;
};
