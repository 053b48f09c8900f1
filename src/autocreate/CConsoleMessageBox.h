#pragma once

#include "app/IMessageBox.h"

#include <QStringList>

// Messages of a run without a window: written to standard error, and every
// question answered Yes (the command line has asked for the work already).
class CConsoleMessageBox : public IMessageBox
{
public:
    void ShowMessage(const QString& text) override;
    // News, not a failure: not counted.
    void ShowInformation(const QString& text) override;
    bool AskYesNo(const QString& text) override;

    int MessageCount() const { return m_nMessages; }

private:
    int m_nMessages = 0;
};
