#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

// A stand-in automation server on a Unix socket, run on its own thread: it
// accepts one client and hands every request line to a script, which returns
// the raw bytes to send back, nothing (stay silent) or std::nullopt (close the
// connection). It records what it received.
class ScriptedServer {
public:
    using Script = std::function<std::optional<QByteArray>(const QByteArray& line)>;

    ScriptedServer(const QString& path, Script script)
        : m_script(std::move(script))
    {
        ::unlink(path.toLocal8Bit().constData());
        m_listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray native = path.toLocal8Bit();
        std::copy(native.begin(), native.end(), address.sun_path);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        ::listen(m_listener, 1);
        m_thread = std::thread([this] { Run(); });
    }
    ~ScriptedServer()
    {
        m_bStop = true;
        ::shutdown(m_listener, SHUT_RDWR);
        ::close(m_listener);
        if (m_client >= 0)
            ::shutdown(m_client, SHUT_RDWR);
        m_thread.join();
    }

    std::vector<QByteArray> Received() const
    {
        std::vector<QByteArray> copy;
        for (size_t i = 0; i < m_nReceived.load(); ++i)
            copy.push_back(m_received[i]);
        return copy;
    }

private:
    void Run()
    {
        m_client = ::accept(m_listener, nullptr, nullptr);
        if (m_client < 0)
            return;
        m_received.reserve(64);
        QByteArray buffer;
        char chunk[4096];
        while (!m_bStop) {
            const ssize_t n = ::recv(m_client, chunk, sizeof(chunk), 0);
            if (n <= 0)
                break;
            buffer.append(chunk, n);
            qsizetype end;
            while ((end = buffer.indexOf('\n')) >= 0) {
                const QByteArray line = buffer.left(end);
                buffer.remove(0, end + 1);
                if (m_received.size() < 64) {
                    m_received.push_back(line);
                    m_nReceived = m_received.size();
                }
                const auto reply = m_script(line);
                if (!reply) {
                    ::close(m_client);
                    return;
                }
                ::send(m_client, reply->constData(), static_cast<size_t>(reply->size()), MSG_NOSIGNAL);
            }
        }
        ::close(m_client);
    }

    Script m_script;
    int m_listener = -1;
    int m_client = -1;
    std::atomic<bool> m_bStop { false };
    std::vector<QByteArray> m_received;
    std::atomic<size_t> m_nReceived { 0 };
    std::thread m_thread;
};
