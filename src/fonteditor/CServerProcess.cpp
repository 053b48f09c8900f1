#include "fonteditor/CServerProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

int OpenPidFd(qint64 pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
#else
    (void)pid;
    return -1;
#endif
}

bool SignalPidFd(int pidFd, int signal)
{
#ifdef SYS_pidfd_send_signal
    return ::syscall(SYS_pidfd_send_signal, pidFd, signal, nullptr, 0) == 0;
#else
    (void)pidFd;
    (void)signal;
    return false;
#endif
}

} // namespace

CServerProcess::CServerProcess(qint64 pid, bool thisUser)
    : m_nPid(pid)
    , m_bThisUser(thisUser)
    , m_nPidFd(OpenPidFd(pid))
{
}

CServerProcess::~CServerProcess()
{
    Close();
}

CServerProcess::CServerProcess(CServerProcess&& other) noexcept
    : m_nPid(other.m_nPid)
    , m_bThisUser(other.m_bThisUser)
    , m_nPidFd(other.m_nPidFd)
{
    other.m_nPid = 0;
    other.m_nPidFd = -1;
}

CServerProcess& CServerProcess::operator=(CServerProcess&& other) noexcept
{
    if (this != &other) {
        Close();
        m_nPid = other.m_nPid;
        m_bThisUser = other.m_bThisUser;
        m_nPidFd = other.m_nPidFd;
        other.m_nPid = 0;
        other.m_nPidFd = -1;
    }
    return *this;
}

void CServerProcess::Close()
{
    if (m_nPidFd >= 0)
        ::close(m_nPidFd);
    m_nPidFd = -1;
}

CServerProcess CServerProcess::OfSocket(qintptr socketDescriptor)
{
    ucred peer {};
    socklen_t length = sizeof(peer);
    if (socketDescriptor < 0
        || ::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0
        || peer.pid <= 0)
        return CServerProcess();
    return CServerProcess(peer.pid, peer.uid == ::getuid());
}

CServerProcess CServerProcess::OfPid(qint64 pid)
{
    struct stat info {};
    if (pid <= 0 || ::stat(QByteArray("/proc/" + QByteArray::number(pid)).constData(), &info) != 0)
        return CServerProcess();
    return CServerProcess(pid, info.st_uid == ::getuid());
}

bool CServerProcess::HasEnded(qint64 pid)
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

bool CServerProcess::HasEnded() const
{
    if (m_nPidFd >= 0) {
        pollfd ended { m_nPidFd, POLLIN, 0 };
        return ::poll(&ended, 1, 0) > 0;
    }
    return !IsKnown() || HasEnded(m_nPid);
}

bool CServerProcess::WaitForEnd(int waitMs) const
{
    if (!IsKnown())
        return true;
    if (m_nPidFd >= 0) {
        pollfd ended { m_nPidFd, POLLIN, 0 };
        return ::poll(&ended, 1, waitMs) > 0;
    }
    QDeadlineTimer deadline(waitMs);
    while (!HasEnded(m_nPid)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
    return true;
}

bool CServerProcess::End(int waitMs)
{
    // A server inside this very process (a test's) is never this program's
    // to end.
    if (!IsKnown() || !m_bThisUser || m_nPid == ::getpid())
        return false;
    // A stopped process is killed as well; nothing the editor answered is
    // lost, as it answers only once a change is on disk.
    const bool signalled = m_nPidFd >= 0 ? SignalPidFd(m_nPidFd, SIGKILL) : ::kill(static_cast<pid_t>(m_nPid), SIGKILL) == 0;
    if (!signalled && errno != ESRCH)
        return false;
    return WaitForEnd(waitMs);
}
