#pragma once

#include "fonteditor/IDispatchObject.h"

#include <QString>
#include <memory>

// What the program needs from the system to reach an automation server by its
// ProgID: whether the ProgID is registered, the instance already running, and
// a newly launched one. The last two give null on failure.
class IAutomationSystem {
public:
    virtual ~IAutomationSystem() = default;

    virtual bool ClassFromProgId(const QString& progId) = 0;
    virtual std::shared_ptr<IDispatchObject> GetActiveObject(const QString& progId) = 0;
    virtual std::shared_ptr<IDispatchObject> CreateInstance(const QString& progId) = 0;
};
