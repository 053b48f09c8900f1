#include "app/CTerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The write end for the handler; -1 while no instance is installed.
volatile sig_atomic_t g_writeFd = -1;

void OnSignal(int signal)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full socket already holds a byte that wakes the loop; this one may go.
    [[maybe_unused]] const ssize_t written = ::write(g_writeFd, &byte, 1);
    errno = savedErrno;
}

} // namespace

CTerminationSignals::CTerminationSignals(QObject* parent)
    : QObject(parent)
{
    if (g_writeFd != -1 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_fds) != 0)
        return;
    g_writeFd = m_fds[0];
    m_pNotifier = new QSocketNotifier(m_fds[1], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CTerminationSignals::Drain);

    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_bInstalled = true;
    for (int signal : kSignals)
        m_bInstalled = ::sigaction(signal, &action, nullptr) == 0 && m_bInstalled;
}

CTerminationSignals::~CTerminationSignals()
{
    if (m_fds[0] == -1)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
    g_writeFd = -1;
    delete m_pNotifier;
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

void CTerminationSignals::Drain()
{
    unsigned char bytes[16];
    ssize_t count = 0;
    while ((count = ::read(m_fds[1], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit Received(bytes[i]);
    }
}
