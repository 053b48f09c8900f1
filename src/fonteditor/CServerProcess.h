#pragma once

#include <QtGlobal>

// The process of an automation server, as far as the client may act on it:
// found from the connected socket's peer credentials (or from the process
// the client launched), held by a process file descriptor where the system
// has them, so that a number reused by another process is never signalled.
// Only a process of this user is ever ended.
class CServerProcess {
public:
    CServerProcess() = default;
    ~CServerProcess();
    CServerProcess(CServerProcess&& other) noexcept;
    CServerProcess& operator=(CServerProcess&& other) noexcept;
    CServerProcess(const CServerProcess&) = delete;
    CServerProcess& operator=(const CServerProcess&) = delete;

    // The process at the other end of a connected local socket; none when
    // the system does not say.
    static CServerProcess OfSocket(qintptr socketDescriptor);
    // A process the client started itself.
    static CServerProcess OfPid(qint64 pid);

    bool IsKnown() const { return m_nPid > 0; }
    qint64 Pid() const { return m_nPid; }
    bool IsThisUsers() const { return m_bThisUser; }

    // Kills the process when it is this user's and waits, at most waitMs,
    // until it has ended. True when it is gone.
    bool End(int waitMs);
    // Waits, at most waitMs, for the process to end by itself.
    bool WaitForEnd(int waitMs) const;
    // Whether the process has ended (an ended process that nobody reaped
    // counts as gone).
    bool HasEnded() const;
    static bool HasEnded(qint64 pid);

private:
    CServerProcess(qint64 pid, bool thisUser);
    void Close();

    qint64 m_nPid = 0;
    bool m_bThisUser = false;
    int m_nPidFd = -1;
};
