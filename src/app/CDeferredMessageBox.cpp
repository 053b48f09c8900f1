#include "app/CDeferredMessageBox.h"

#include <utility>

void CDeferredMessageBox::ReplayTo(IMessageBox& box)
{
    const QList<SMessage> messages = std::exchange(m_messages, {});
    for (const SMessage& message : messages) {
        switch (message.kind) {
        case EKind::Message: box.ShowMessage(message.text); break;
        case EKind::Stop: box.ShowStop(message.text); break;
        case EKind::Information: box.ShowInformation(message.text); break;
        }
    }
}
