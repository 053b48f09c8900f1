#pragma once

#include "fonteditor/CAutomationRegistry.h"
#include "fonteditor/CCallPolicy.h"
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
    ELaunchFailure LastLaunchFailure() const override { return m_lastLaunchFailure; }
    void SetBatchMode(bool batch) override { m_policy->spin = batch; }
    void SetLongCallBound(int ms) override { m_policy->longMs = ms; }

    // Empty when the user has no private runtime folder.
    static QString SocketPath(const QString& progId);
    void SetCallBounds(int normalMs, int longMs);
    // What the servers launched from now on print goes to this file,
    // appended, instead of the program's own standard error.
    void SetServerLog(const QString& path) { m_strServerLog = path; }
    // Waits, bounded, until every server this object launched has ended;
    // true when none is left.
    bool WaitForLaunchedServers(int waitMs);
    // The servers this object launched that may still run.
    const QList<qint64>& LaunchedServers() const { return m_launched; }

private:
    std::shared_ptr<IDispatchObject> Attach(const QString& progId, int waitMs, qint64 launchedPid = 0);

    CAutomationRegistry m_registry;
    std::shared_ptr<CCallPolicy> m_policy = std::make_shared<CCallPolicy>();
    QString m_strServerLog;
    QList<qint64> m_launched;
    ELaunchFailure m_lastLaunchFailure = ELaunchFailure::None;
};
