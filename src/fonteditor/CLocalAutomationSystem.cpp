#include "fonteditor/CLocalAutomationSystem.h"

#include "fonteditor/CAutomationChannel.h"
#include "fonteditor/CRemoteDispatch.h"
#include "fonteditor/CServerProcess.h"
#include "fonteditor/Utf8Locale.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>



CLocalAutomationSystem::CLocalAutomationSystem(CAutomationRegistry registry)
    : m_registry(std::move(registry))
{
}

void CLocalAutomationSystem::SetCallBounds(int normalMs, int longMs)
{
    m_policy->normalMs = normalMs;
    m_policy->longMs = longMs;
}

QString CLocalAutomationSystem::SocketPath(const QString& progId)
{
    // Qt gives no runtime folder when it is not the user's own with private
    // permissions; a socket in a shared folder could be taken over by another
    // user, so then there is no socket at all.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QString() : QDir(folder).filePath(progId);
}

bool CLocalAutomationSystem::ClassFromProgId(const QString& progId)
{
    return m_registry.Find(progId).has_value();
}

std::shared_ptr<IDispatchObject> CLocalAutomationSystem::Attach(const QString& progId, int waitMs, qint64 launchedPid)
{
    const QString socketPath = SocketPath(progId);
    if (socketPath.isEmpty())
        return nullptr;
    auto channel = CAutomationChannel::Connect(socketPath, waitMs);
    if (!channel)
        return nullptr;
    channel->SetPolicy(m_policy);
    if (launchedPid > 0)
        channel->SetServerProcess(CServerProcess::OfPid(launchedPid));
    return std::make_shared<CRemoteDispatch>(channel, CAutomationChannel::kApplicationHandle);
}

std::shared_ptr<IDispatchObject> CLocalAutomationSystem::GetActiveObject(const QString& progId)
{
    return Attach(progId, 1000);
}

std::shared_ptr<IDispatchObject> CLocalAutomationSystem::CreateInstance(const QString& progId)
{
    const auto server = m_registry.Find(progId);
    m_lastLaunchFailure = ELaunchFailure::NotInstalled;
    if (!server)
        return nullptr;
    if (SocketPath(progId).isEmpty()) {
        m_lastLaunchFailure = ELaunchFailure::NoRuntimeFolder;
        return nullptr;
    }
    QProcess process;
    process.setProgram(server->strProgram);
    process.setArguments(server->arguments + QStringList { QStringLiteral("--socket"), SocketPath(progId) });
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(m_strServerLog.isEmpty() ? QProcess::nullDevice() : m_strServerLog, QIODevice::Append);
    if (!m_strServerLog.isEmpty())
        process.setStandardErrorFile(m_strServerLog, QIODevice::Append);
    process.setProcessEnvironment(Utf8Environment(QProcessEnvironment::systemEnvironment()));
    qint64 pid = 0;
    if (!process.startDetached(&pid))
        return nullptr;
    m_launched << pid;

    // Poll until the server listens, every 2 ms, as its start (some 40 ms)
    // is part of every run; give up early when it has already exited.
    QDeadlineTimer deadline(server->nStartWaitMs);
    while (!deadline.hasExpired()) {
        if (auto object = Attach(progId, 100, pid)) {
            m_lastLaunchFailure = ELaunchFailure::None;
            return object;
        }
        if (CServerProcess::HasEnded(pid)) {
            m_lastLaunchFailure = ELaunchFailure::EndedDuringStart;
            return nullptr;
        }
        QThread::msleep(2);
    }
    // A server that never listens would hold its font and its socket name.
    CServerProcess::OfPid(pid).End(2'000);
    m_lastLaunchFailure = ELaunchFailure::NoAnswer;
    return nullptr;
}

bool CLocalAutomationSystem::WaitForLaunchedServers(int waitMs)
{
    QDeadlineTimer deadline(waitMs);
    for (;;) {
        m_launched.removeIf([](qint64 pid) { return CServerProcess::HasEnded(pid); });
        if (m_launched.isEmpty() || deadline.hasExpired())
            return m_launched.isEmpty();
        QThread::msleep(20);
    }
}
