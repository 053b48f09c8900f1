#include "fonteditor/CDispatchDriver.h"

#include "fonteditor/CAutomationFailure.h"

CDispValue CDispatchDriver::InvokeHelper(
    int dispId, EInvokeKind kind, const QList<CDispValue>& args, ECallBound bound) const
{
    if (!m_pDispatch)
        throw CAutomationFailure(QStringLiteral("no font editor object is attached"));
    return m_pDispatch->Invoke(dispId, kind, args, bound);
}
