#pragma once

#include "fonteditor/CCallPolicy.h"
#include "fonteditor/CServerProcess.h"
#include "fonteditor/IDispatchObject.h"

#include <QJsonValue>
#include <QLocalSocket>
#include <memory>

// One connection to an automation server: requests and answers are JSON
// objects, one per line, over a local socket. Every call waits for its answer,
// but never longer than its bound; a silent, vanished or garbled server ends
// the call with CAutomationFailure and leaves the channel broken, since a late
// answer could no longer be matched to its call. A server that stays silent
// past the bound is ended, so that nobody attaches to it again.
class CAutomationChannel : public std::enable_shared_from_this<CAutomationChannel> {
public:
    // Handle of the application object that every server offers first.
    static constexpr qint64 kApplicationHandle = 1;

    // Null when nothing listens under that name within the wait.
    static std::shared_ptr<CAutomationChannel> Connect(const QString& serverName, int waitMs);

    // A channel to no server: every call fails at once. Lets answer lines
    // be read without a connection (ReadAnswer).
    static std::shared_ptr<CAutomationChannel> Unconnected();

    CDispValue Call(qint64 handle, int dispId, EInvokeKind kind, const QList<CDispValue>& args, ECallBound bound);
    // Reads one answer line to the call with that id: its value, or the
    // CDispatchException or CAutomationFailure the call ends with. Anything
    // garbled breaks the channel, as a late answer could not be matched.
    CDispValue ReadAnswer(const QByteArray& answer, qint64 id);
    // Tells the server the object is no longer used; failures are ignored.
    void Release(qint64 handle);
    bool IsConnected();

    void SetCallBounds(int normalMs, int longMs);
    // Bounds and spinning shared with the other connections of the system.
    void SetPolicy(std::shared_ptr<CCallPolicy> policy) { m_policy = std::move(policy); }
    // The server's process when the socket does not tell it.
    void SetServerProcess(CServerProcess process);
    qint64 ServerPid() const { return m_server.Pid(); }

private:
    CAutomationChannel() = default;

    QJsonValue Encode(const CDispValue& value) const;
    CDispValue Decode(const QJsonValue& json);
    QByteArray Exchange(const QByteArray& request, int boundMs);
    bool HasInput() const;
    // Looks for the answer for a moment before the wait for it sleeps.
    void SpinForAnswer();
    [[noreturn]] void Fail(const QString& reason);
    [[noreturn]] void FailGone(const QString& reason);
    [[noreturn]] void FailSilent(int boundMs);

    std::unique_ptr<QLocalSocket> m_socket;
    qint64 m_nNextId = 1;
    bool m_bBroken = false;
    std::shared_ptr<CCallPolicy> m_policy = std::make_shared<CCallPolicy>();
    CServerProcess m_server;
};
