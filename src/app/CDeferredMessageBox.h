#pragma once

#include "app/IMessageBox.h"

#include <QList>

// Messages of work done away from the user-interface thread (a font being
// installed while the window shows that it is busy), kept until the work
// has ended and then shown in their order. Such work asks nothing: a
// question is answered No.
class CDeferredMessageBox : public IMessageBox
{
public:
    void ShowMessage(const QString& text) override { m_messages.append({EKind::Message, text}); }
    void ShowStop(const QString& text) override { m_messages.append({EKind::Stop, text}); }
    void ShowInformation(const QString& text) override { m_messages.append({EKind::Information, text}); }
    bool AskYesNo(const QString&) override { return false; }

    // Shows what was kept, each as it was meant, and forgets it.
    void ReplayTo(IMessageBox& box);

private:
    enum class EKind { Message, Stop, Information };
    struct SMessage
    {
        EKind kind;
        QString text;
    };
    QList<SMessage> m_messages;
};
