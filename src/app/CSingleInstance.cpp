#include "app/CSingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {

const QByteArray kActivate = "activate\n";
constexpr int kTimeoutMs = 2000;

} // namespace

CSingleInstance::CSingleInstance(QString runtimeDir, QObject* parent)
    : QObject(parent)
    , m_strRuntimeDir(std::move(runtimeDir))
{
}

CSingleInstance::~CSingleInstance()
{
    Release();
}

QString CSingleInstance::DefaultRuntimeDir()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

QString CSingleInstance::ServerPath() const
{
    return m_strRuntimeDir + QLatin1Char('/') + kName;
}

bool CSingleInstance::Acquire()
{
    QDir().mkpath(m_strRuntimeDir);
    // QLockFile records the holder's process id and host; a lock whose
    // process is gone counts as stale and is removed by tryLock.
    auto lock = std::make_unique<QLockFile>(ServerPath() + QStringLiteral(".lock"));
    if (!lock->tryLock(0)) {
        // Only a lock held by a live copy means another copy runs; a folder
        // where no lock can be made must not keep the program from starting.
        return lock->error() != QLockFile::LockFailedError;
    }
    m_lock = std::move(lock);

    // A socket file left by a crashed holder would make listen fail.
    QLocalServer::removeServer(ServerPath());
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server.get(), &QLocalServer::newConnection, this, &CSingleInstance::OnConnection);
    m_server->listen(ServerPath());
    return true;
}

void CSingleInstance::OnConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->canReadLine() && socket->readLine() == kActivate)
                emit ActivateRequested();
        });
    }
}

bool CSingleInstance::AskRunningCopyToActivate() const
{
    QLocalSocket socket;
    socket.connectToServer(ServerPath());
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    socket.write(kActivate);
    const bool sent = socket.waitForBytesWritten(kTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

void CSingleInstance::Release()
{
    if (m_server) {
        m_server->close();
        m_server.reset();
    }
    if (m_lock) {
        m_lock->unlock();
        m_lock.reset();
    }
}
