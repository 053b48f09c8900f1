#pragma once

#include "fonteditor/IDispatchObject.h"

#include <memory>

class CAutomationChannel;

// An object living in an automation server, named there by a handle; the
// server is told when the last reference to it goes away.
class CRemoteDispatch : public IDispatchObject {
public:
    CRemoteDispatch(std::shared_ptr<CAutomationChannel> channel, qint64 handle);
    ~CRemoteDispatch() override;

    CDispValue Invoke(int dispId, EInvokeKind kind, const QList<CDispValue>& args, ECallBound bound) override;
    bool IsConnected() override;

    qint64 Handle() const { return m_nHandle; }
    const CAutomationChannel* Channel() const { return m_channel.get(); }

private:
    std::shared_ptr<CAutomationChannel> m_channel;
    qint64 m_nHandle;
};
