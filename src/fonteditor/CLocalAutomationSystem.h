#pragma once

#include "fonteditor/CAutomationRegistry.h"
#include "fonteditor/IAutomationSystem.h"

// Automation over local sockets: a server for a ProgID listens on a socket of
// that name in the user's runtime folder; launching runs the registered
// command with "--socket <path>" appended and waits, bounded, until it listens.
class CLocalAutomationSystem : public IAutomationSystem {
public:
    explicit CLocalAutomationSystem(CAutomationRegistry registry = CAutomationRegistry());

    bool ClassFromProgId(const QString& progId) override;
    std::shared_ptr<IDispatchObject> GetActiveObject(const QString& progId) override;
    std::shared_ptr<IDispatchObject> CreateInstance(const QString& progId) override;

    // Empty when the user has no private runtime folder.
    static QString SocketPath(const QString& progId);
    void SetCallBounds(int normalMs, int longMs);

private:
    std::shared_ptr<IDispatchObject> Attach(const QString& progId, int waitMs);

    CAutomationRegistry m_registry;
    int m_nCallBoundMs = 60'000;
    int m_nLongCallBoundMs = 600'000;
};
