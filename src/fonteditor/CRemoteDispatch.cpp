#include "fonteditor/CRemoteDispatch.h"

#include "fonteditor/CAutomationChannel.h"

CRemoteDispatch::CRemoteDispatch(std::shared_ptr<CAutomationChannel> channel, qint64 handle)
    : m_channel(std::move(channel))
    , m_nHandle(handle)
{
}

CRemoteDispatch::~CRemoteDispatch()
{
    if (m_nHandle != CAutomationChannel::kApplicationHandle)
        m_channel->Release(m_nHandle);
}

CDispValue CRemoteDispatch::Invoke(int dispId, EInvokeKind kind, const QList<CDispValue>& args, ECallBound bound)
{
    return m_channel->Call(m_nHandle, dispId, kind, args, bound);
}

bool CRemoteDispatch::IsConnected()
{
    return m_channel->IsConnected();
}
