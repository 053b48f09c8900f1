#pragma once

#include "fonteditor/CAutomationRegistry.h"
#include "fonteditor/IAutomationSystem.h"

#include <QList>

// Automation over local sockets: a server for a ProgID listens on a socket of
// that name in the user's runtime folder; launching runs the registered
// command with "--socket <path>" appended and waits, bounded, until it listens.
// Servers run under a UTF-8 locale whatever the program's own, so that paths
// with any characters pass through them.
class CLocalAutomationSystem : public IAutomationSystem {
public:
    explicit CLocalAutomationSystem(CAutomationRegistry registry = CAutomationRegistry());

    bool ClassFromProgId(const QString& progId) override;
    std::shared_ptr<IDispatchObject> GetActiveObject(const QString& progId) override;
    std::shared_ptr<IDispatchObject> CreateInstance(const QString& progId) override;

    // Empty when the user has no private runtime folder.
    static QString SocketPath(const QString& progId);
    void SetCallBounds(int normalMs, int longMs);
    // What the servers launched from now on print goes to this file,
    // appended, instead of the program's own standard error.
    void SetServerLog(const QString& path) { m_strServerLog = path; }
    // Waits, bounded, until every server this object launched has ended;
    // true when none is left.
    bool WaitForLaunchedServers(int waitMs);

private:
    std::shared_ptr<IDispatchObject> Attach(const QString& progId, int waitMs);

    CAutomationRegistry m_registry;
    int m_nCallBoundMs = 60'000;
    int m_nLongCallBoundMs = 600'000;
    QString m_strServerLog;
    QList<qint64> m_launched;
};
