#include "fonteditor/CAutomationChannel.h"

#include "fonteditor/CAutomationFailure.h"
#include "fonteditor/CDispatchException.h"
#include "fonteditor/CRemoteDispatch.h"

#include <QDeadlineTimer>
#include <QThread>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>

#include <poll.h>

namespace {

// An answer is a few hundred bytes; anything near this is a runaway server.
constexpr qint64 kMaxLineBytes = 4 * 1024 * 1024;

// During a batch run most calls are answered within microseconds, sooner than
// a process asleep wakes on another processor (some 60 microseconds on a
// virtual machine); so with processors to spare the answer is looked for this
// long before the wait goes to sleep. Alone on one processor it would only
// hold the editor up.
std::chrono::microseconds AnswerSpin()
{
    static const std::chrono::microseconds spin(QThread::idealThreadCount() > 1 ? 200 : 0);
    return spin;
}

QString KindName(EInvokeKind kind)
{
    switch (kind) {
    case EInvokeKind::Method: return QStringLiteral("method");
    case EInvokeKind::PropertyGet: return QStringLiteral("get");
    case EInvokeKind::PropertyPut: return QStringLiteral("put");
    }
    return QString();
}

bool IsWholeNumber(const QJsonValue& v, double low, double high)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    return d >= low && d <= high && d == static_cast<double>(static_cast<qint64>(d));
}

} // namespace

std::shared_ptr<CAutomationChannel> CAutomationChannel::Connect(const QString& serverName, int waitMs)
{
    std::shared_ptr<CAutomationChannel> channel(new CAutomationChannel);
    channel->m_socket = std::make_unique<QLocalSocket>();
    channel->m_socket->connectToServer(serverName);
    if (!channel->m_socket->waitForConnected(waitMs))
        return nullptr;
    channel->m_server = CServerProcess::OfSocket(channel->m_socket->socketDescriptor());
    return channel;
}

void CAutomationChannel::SetCallBounds(int normalMs, int longMs)
{
    m_policy = std::make_shared<CCallPolicy>();
    m_policy->normalMs = normalMs;
    m_policy->longMs = longMs;
}

void CAutomationChannel::SetServerProcess(CServerProcess process)
{
    if (!m_server.IsKnown())
        m_server = std::move(process);
}

bool CAutomationChannel::IsConnected()
{
    if (m_bBroken)
        return false;
    // Lets the socket notice a peer that closed since the last call; asked of
    // the descriptor first, as a Qt wait that finds nothing translates its
    // error text, which would cost more than the rest of a short call.
    if (m_socket->bytesAvailable() == 0 && HasInput())
        m_socket->waitForReadyRead(0);
    if (m_socket->state() != QLocalSocket::ConnectedState)
        m_bBroken = true;
    return !m_bBroken;
}

void CAutomationChannel::Fail(const QString& reason)
{
    m_bBroken = true;
    m_socket->abort();
    throw CAutomationFailure(reason);
}

// The server closed the connection in the middle of a call: it is ending.
// Its end is awaited a moment, so that a server launched next finds the
// font free.
void CAutomationChannel::FailGone(const QString& reason)
{
    m_bBroken = true;
    m_socket->abort();
    constexpr int kEndWaitMs = 2'000;
    m_server.WaitForEnd(kEndWaitMs);
    throw CAutomationFailure(reason, CAutomationFailure::ECause::EditorGone);
}

// A server that does not answer is stopped or hung: it is ended, since
// otherwise the next connection would attach to it again and wait as long.
// Once it is gone, a new one can be launched and the call made again.
void CAutomationChannel::FailSilent(int boundMs)
{
    m_bBroken = true;
    m_socket->abort();
    const QString reason = QStringLiteral("the font editor did not answer within %1 ms").arg(boundMs);
    constexpr int kEndWaitMs = 5'000;
    if (m_server.End(kEndWaitMs))
        throw CAutomationFailure(reason, CAutomationFailure::ECause::EditorGone);
    throw CAutomationFailure(reason);
}

// Whether the descriptor has data or an end to read, without waiting (and
// true when there is no descriptor to ask, so that Qt's own wait decides).
bool CAutomationChannel::HasInput() const
{
    const qintptr fd = m_socket->socketDescriptor();
    if (fd < 0)
        return true;
    pollfd wanted { static_cast<int>(fd), POLLIN, 0 };
    return ::poll(&wanted, 1, 0) != 0;
}

void CAutomationChannel::SpinForAnswer()
{
    if (!m_policy->spin)
        return;
    const std::chrono::microseconds spin = AnswerSpin();
    if (spin.count() == 0 || m_socket->canReadLine())
        return;
    const auto end = std::chrono::steady_clock::now() + spin;
    while (!HasInput() && std::chrono::steady_clock::now() < end) {
    }
}

QByteArray CAutomationChannel::Exchange(const QByteArray& request, int boundMs)
{
    if (!IsConnected())
        throw CAutomationFailure(QStringLiteral("the font editor is no longer connected"),
            m_server.HasEnded() ? CAutomationFailure::ECause::EditorGone : CAutomationFailure::ECause::General);
    QDeadlineTimer deadline(boundMs);
    m_socket->write(request);
    while (m_socket->bytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
            if (m_socket->state() != QLocalSocket::ConnectedState)
                FailGone(QStringLiteral("could not send the call to the font editor: %1").arg(m_socket->errorString()));
            FailSilent(boundMs);
        }
    }
    SpinForAnswer();
    while (!m_socket->canReadLine()) {
        if (m_socket->bytesAvailable() > kMaxLineBytes)
            Fail(QStringLiteral("the font editor sent an oversized answer"));
        if (deadline.hasExpired())
            FailSilent(boundMs);
        if (!m_socket->waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            if (m_socket->state() != QLocalSocket::ConnectedState)
                FailGone(QStringLiteral("the font editor closed the connection"));
            if (deadline.hasExpired())
                FailSilent(boundMs);
        }
    }
    return m_socket->readLine();
}

CDispValue CAutomationChannel::Call(
    qint64 handle, int dispId, EInvokeKind kind, const QList<CDispValue>& args, ECallBound bound)
{
    const qint64 id = m_nNextId++;
    // The fixed part of the line is written directly: it goes out with every
    // call, and a JSON object built for it costs more than the rest of the
    // call on this side.
    QByteArray line = "{\"op\":\"invoke\",\"id\":" + QByteArray::number(id) + ",\"object\":" + QByteArray::number(handle)
        + ",\"dispid\":" + QByteArray::number(dispId) + ",\"kind\":\"" + KindName(kind).toLatin1() + "\",\"args\":";
    if (args.isEmpty()) {
        line += "[]";
    } else {
        QJsonArray jsonArgs;
        for (const CDispValue& arg : args)
            jsonArgs.append(Encode(arg));
        line += QJsonDocument(jsonArgs).toJson(QJsonDocument::Compact);
    }
    line += "}\n";
    const QByteArray answer = Exchange(line, bound == ECallBound::Long ? m_policy->longMs : m_policy->normalMs);
    return ReadAnswer(answer, id);
}

std::shared_ptr<CAutomationChannel> CAutomationChannel::Unconnected()
{
    std::shared_ptr<CAutomationChannel> channel(new CAutomationChannel);
    channel->m_socket = std::make_unique<QLocalSocket>();
    return channel;
}

CDispValue CAutomationChannel::ReadAnswer(const QByteArray& answer, qint64 id)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(answer, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        Fail(QStringLiteral("the font editor sent an answer that is not a JSON object"));
    const QJsonObject reply = doc.object();
    if (!IsWholeNumber(reply.value("id"), 0, 9e15) || static_cast<qint64>(reply.value("id").toDouble()) != id)
        Fail(QStringLiteral("the font editor answered another call"));
    if (reply.contains("result"))
        return Decode(reply.value("result"));
    if (reply.value("error").isObject()) {
        const QJsonObject error = reply.value("error").toObject();
        if (!IsWholeNumber(error.value("code"), 0, 65535))
            Fail(QStringLiteral("the font editor sent an error without a valid code"));
        throw CDispatchException(
            static_cast<quint16>(error.value("code").toInt()), error.value("description").toString());
    }
    if (reply.value("failure").isString())
        throw CAutomationFailure(reply.value("failure").toString(), true);
    Fail(QStringLiteral("the font editor sent an answer without a result"));
}

void CAutomationChannel::Release(qint64 handle)
{
    if (!IsConnected())
        return;
    const QJsonObject request { { "op", "release" }, { "object", handle } };
    m_socket->write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    m_socket->flush();
}

QJsonValue CAutomationChannel::Encode(const CDispValue& value) const
{
    using T = CDispValue::EType;
    QJsonObject json { { "type", CDispValue::TypeName(value.Type()) } };
    switch (value.Type()) {
    case T::Empty: break;
    case T::Bool: json["value"] = value.ToBool(); break;
    case T::Short: json["value"] = value.ToShort(); break;
    case T::Long: json["value"] = value.ToLong(); break;
    case T::String: json["value"] = value.ToString(); break;
    case T::Object: {
        const auto remote = std::dynamic_pointer_cast<CRemoteDispatch>(value.ToObject());
        // A handle means something only to the server that gave it.
        if (value.ToObject() && (!remote || remote->Channel() != this))
            throw CAutomationFailure(QStringLiteral("the object does not belong to this editor"));
        json["value"] = remote ? QJsonValue(remote->Handle()) : QJsonValue();
        break;
    }
    }
    return json;
}

CDispValue CAutomationChannel::Decode(const QJsonValue& json)
{
    const QJsonObject o = json.toObject();
    const QString type = o.value("type").toString();
    const QJsonValue v = o.value("value");
    if (type == "empty")
        return CDispValue();
    if (type == "bool" && v.isBool())
        return CDispValue::Bool(v.toBool());
    if (type == "short" && IsWholeNumber(v, -32768, 32767))
        return CDispValue::Short(static_cast<qint16>(v.toInt()));
    if (type == "long" && IsWholeNumber(v, -2147483648.0, 2147483647.0))
        return CDispValue::Long(static_cast<qint32>(v.toDouble()));
    if (type == "string" && v.isString())
        return CDispValue::String(v.toString());
    if (type == "object" && v.isNull())
        return CDispValue::Object(nullptr);
    if (type == "object" && IsWholeNumber(v, 1, 9e15))
        return CDispValue::Object(
            std::make_shared<CRemoteDispatch>(shared_from_this(), static_cast<qint64>(v.toDouble())));
    Fail(QStringLiteral("the font editor sent a value that cannot be read"));
}
