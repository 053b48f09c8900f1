#pragma once

#include "fonteditor/IDispatchObject.h"

#include <memory>

// The common part of the editor's drivers: one dispatch interface, attached
// and released, and calls by dispatch number through it. A call without an
// attached interface is a CAutomationFailure, never a crash.
class CDispatchDriver {
public:
    void AttachDispatch(std::shared_ptr<IDispatchObject> dispatch) { m_pDispatch = std::move(dispatch); }
    void ReleaseDispatch() { m_pDispatch.reset(); }
    bool HasDispatch() const { return m_pDispatch != nullptr; }
    // Attached and its server still reachable.
    bool IsConnected() const { return m_pDispatch && m_pDispatch->IsConnected(); }
    const std::shared_ptr<IDispatchObject>& Dispatch() const { return m_pDispatch; }

protected:
    CDispValue InvokeHelper(
        int dispId, EInvokeKind kind, const QList<CDispValue>& args = {}, ECallBound bound = ECallBound::Normal) const;

private:
    std::shared_ptr<IDispatchObject> m_pDispatch;
};
