#pragma once

#include "fonteditor/CDispValue.h"

#include <QList>

// How one call reaches an object: a method, or reading or writing a property.
enum class EInvokeKind { Method, PropertyGet, PropertyPut };
// How long the caller waits for an answer: Long for calls that read or write a
// whole font file.
enum class ECallBound { Normal, Long };

// An object of the font editor reached by automation. Each operation is one
// Invoke with a dispatch number; a property put passes the new value as its
// only argument. Invoke throws CDispatchException when the object refuses the
// call and CAutomationFailure when the call could not be made at all.
class IDispatchObject {
public:
    virtual ~IDispatchObject() = default;

    virtual CDispValue Invoke(int dispId, EInvokeKind kind, const QList<CDispValue>& args, ECallBound bound) = 0;
    // False once the object can no longer be reached (its process went away).
    virtual bool IsConnected() { return true; }
};
