#include "fonteditor/CLocalAutomationSystem.h"

#include "fonteditor/CAutomationChannel.h"
#include "fonteditor/CRemoteDispatch.h"
#include "fonteditor/Utf8Locale.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <csignal>

namespace {

// A launched editor is detached, so whoever adopted it reaps it, perhaps
// late or never (a container's first process may not): an editor that has
// ended but was not reaped yet counts as gone.
bool HasEnded(qint64 pid)
{
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return true;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    // "pid (name) state ...": the name may hold spaces and parentheses.
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(')');
    return end >= 0 && end + 2 < line.size() && line[end + 2] == 'Z';
}

} // namespace

CLocalAutomationSystem::CLocalAutomationSystem(CAutomationRegistry registry)
    : m_registry(std::move(registry))
{
}

void CLocalAutomationSystem::SetCallBounds(int normalMs, int longMs)
{
    m_nCallBoundMs = normalMs;
    m_nLongCallBoundMs = longMs;
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

std::shared_ptr<IDispatchObject> CLocalAutomationSystem::Attach(const QString& progId, int waitMs)
{
    const QString socketPath = SocketPath(progId);
    if (socketPath.isEmpty())
        return nullptr;
    auto channel = CAutomationChannel::Connect(socketPath, waitMs);
    if (!channel)
        return nullptr;
    channel->SetCallBounds(m_nCallBoundMs, m_nLongCallBoundMs);
    return std::make_shared<CRemoteDispatch>(channel, CAutomationChannel::kApplicationHandle);
}

std::shared_ptr<IDispatchObject> CLocalAutomationSystem::GetActiveObject(const QString& progId)
{
    return Attach(progId, 1000);
}

std::shared_ptr<IDispatchObject> CLocalAutomationSystem::CreateInstance(const QString& progId)
{
    const auto server = m_registry.Find(progId);
    if (!server || SocketPath(progId).isEmpty())
        return nullptr;
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
        if (auto object = Attach(progId, 100))
            return object;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            return nullptr;
        QThread::msleep(2);
    }
    return nullptr;
}

bool CLocalAutomationSystem::WaitForLaunchedServers(int waitMs)
{
    QDeadlineTimer deadline(waitMs);
    for (;;) {
        m_launched.removeIf(HasEnded);
        if (m_launched.isEmpty() || deadline.hasExpired())
            return m_launched.isEmpty();
        QThread::msleep(20);
    }
}
