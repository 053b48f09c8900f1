#pragma once

#include "app/IMessageBox.h"

#include <QStringList>

// Messages of a run without a window: written to standard error, and every
// question answered Yes (the command line has asked for the work already).
class CConsoleMessageBox : public IMessageBox
{
public:
    // Counted: a run that showed one failed.
    void ShowMessage(const QString& text) override;
    // Not counted.
    void ShowInformation(const QString& text) override;
    bool AskYesNo(const QString& text) override;

    int MessageCount() const { return m_nMessages; }

private:
    int m_nMessages = 0;
};
