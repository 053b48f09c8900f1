#pragma once

#include "fonteditor/IDispatchObject.h"

#include <QString>
#include <memory>

// What the program needs from the system to reach an automation server by its
// ProgID: whether the ProgID is registered, the instance already running, and
// a newly launched one. The last two give null on failure.
class IAutomationSystem {
public:
    // Why the last launch gave no server.
    enum class ELaunchFailure {
        None,
        // Not registered, or its program cannot be run: not installed.
        NotInstalled,
        // The program ran but ended before it listened (killed, or it
        // could not load what it needs).
        EndedDuringStart,
        // The program ran but did not listen within its start wait; it was
        // ended.
        NoAnswer,
        // The user has no private runtime folder for the socket.
        NoRuntimeFolder,
    };

    virtual ~IAutomationSystem() = default;

    virtual bool ClassFromProgId(const QString& progId) = 0;
    virtual std::shared_ptr<IDispatchObject> GetActiveObject(const QString& progId) = 0;
    virtual std::shared_ptr<IDispatchObject> CreateInstance(const QString& progId) = 0;
    virtual ELaunchFailure LastLaunchFailure() const { return ELaunchFailure::NotInstalled; }

    // A batch run starts or ends: answers are then looked for a moment
    // before a wait sleeps.
    virtual void SetBatchMode(bool batch) { (void)batch; }
    // The bound of the calls that read or write a whole font, set before
    // each of them from the font's size.
    virtual void SetLongCallBound(int ms) { (void)ms; }
};
