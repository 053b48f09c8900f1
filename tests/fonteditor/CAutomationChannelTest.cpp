#include "fonteditor/CAutomationChannel.h"

#include "ScriptedServer.h"
#include "fonteditor/CAutomationFailure.h"
#include "fonteditor/CAutomationRegistry.h"
#include "fonteditor/CDispatchException.h"
#include "fonteditor/CLocalAutomationSystem.h"
#include "fonteditor/CRemoteDispatch.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Answers every call with the given result, echoing the call's id.
ScriptedServer::Script Answer(const QByteArray& resultJson)
{
    return [resultJson](const QByteArray& line) -> std::optional<QByteArray> {
        const QJsonObject request = QJsonDocument::fromJson(line).object();
        if (request.value("op") != "invoke")
            return QByteArray();
        return "{\"id\":" + QByteArray::number(request.value("id").toInteger()) + "," + resultJson + "}\n";
    };
}

class AutomationChannelTest : public ::testing::Test {
protected:
    std::shared_ptr<CAutomationChannel> Start(ScriptedServer::Script script)
    {
        m_server = std::make_unique<ScriptedServer>(SocketPath(), std::move(script));
        auto channel = CAutomationChannel::Connect(SocketPath(), 2000);
        EXPECT_NE(channel, nullptr);
        channel->SetCallBounds(300, 300);
        return channel;
    }
    CDispValue CallApp(const std::shared_ptr<CAutomationChannel>& channel, const QList<CDispValue>& args = {})
    {
        return channel->Call(
            CAutomationChannel::kApplicationHandle, 4, EInvokeKind::PropertyGet, args, ECallBound::Normal);
    }
    QString SocketPath() const { return m_dir.filePath("server"); }

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedServer> m_server;
};

TEST_F(AutomationChannelTest, SendsCallAndDecodesEveryValueType)
{
    const std::pair<QByteArray, CDispValue::EType> answers[] = {
        { R"("result":{"type":"empty"})", CDispValue::EType::Empty },
        { R"("result":{"type":"bool","value":true})", CDispValue::EType::Bool },
        { R"("result":{"type":"short","value":-3})", CDispValue::EType::Short },
        { R"("result":{"type":"long","value":2147483647})", CDispValue::EType::Long },
        { R"("result":{"type":"string","value":"あ"})", CDispValue::EType::String },
        { R"("result":{"type":"object","value":null})", CDispValue::EType::Object },
    };
    for (const auto& [json, type] : answers) {
        auto channel = Start(Answer(json));
        const CDispValue v
            = CallApp(channel, { CDispValue::Short(0), CDispValue::Bool(false), CDispValue::String("p") });
        EXPECT_EQ(v.Type(), type) << json.constData();
        m_server.reset();
    }
    auto channel = Start(Answer(R"("result":{"type":"string","value":"あ"})"));
    EXPECT_EQ(CallApp(channel, { CDispValue::Long(33440) }).ToString(), QString("あ"));
    const QJsonObject sent = QJsonDocument::fromJson(m_server->Received().at(0)).object();
    EXPECT_EQ(sent.value("op"), "invoke");
    EXPECT_EQ(sent.value("object").toInt(), 1);
    EXPECT_EQ(sent.value("dispid").toInt(), 4);
    EXPECT_EQ(sent.value("kind"), "get");
    EXPECT_EQ(sent.value("args").toArray().at(0).toObject(), (QJsonObject { { "type", "long" }, { "value", 33440 } }));
}

TEST_F(AutomationChannelTest, ObjectsTravelAsHandlesAndAreReleased)
{
    auto channel = Start(Answer(R"("result":{"type":"object","value":5})"));
    {
        const auto font = std::dynamic_pointer_cast<CRemoteDispatch>(CallApp(channel).ToObject());
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->Handle(), 5);
        // Passing it back sends its handle.
        CallApp(channel, { CDispValue::Object(font) });
    }
    // An object of this program has no handle in the editor.
    struct CLocalObject : IDispatchObject {
        CDispValue Invoke(int, EInvokeKind, const QList<CDispValue>&, ECallBound) override { return {}; }
    };
    EXPECT_THROW(CallApp(channel, { CDispValue::Object(std::make_shared<CLocalObject>()) }), CAutomationFailure);
    CallApp(channel); // the releases went out before this call
    // One release per object value received: the font, and the object the
    // second call answered with.
    const auto received = m_server->Received();
    ASSERT_GE(received.size(), 5u);
    EXPECT_EQ(QJsonDocument::fromJson(received[1]).object().value("args").toArray().at(0).toObject().value("value"), 5);
    const QJsonObject release { { "op", "release" }, { "object", 5 } };
    EXPECT_EQ(QJsonDocument::fromJson(received[2]).object(), release);
    EXPECT_EQ(QJsonDocument::fromJson(received[3]).object(), release);
}

TEST_F(AutomationChannelTest, ErrorAnswersBecomeExceptionsAndKeepChannel)
{
    auto channel = Start(Answer(R"("error":{"code":2006,"description":"bad code"})"));
    try {
        CallApp(channel);
        FAIL() << "no exception";
    } catch (const CDispatchException& e) {
        EXPECT_EQ(e.Code(), 2006);
        EXPECT_EQ(e.Description(), "bad code");
    }
    EXPECT_TRUE(channel->IsConnected());
    m_server.reset();
    channel = Start(Answer(R"("failure":"no member")"));
    EXPECT_THROW(CallApp(channel), CAutomationFailure);
    EXPECT_TRUE(channel->IsConnected());
}

TEST_F(AutomationChannelTest, GarbledAnswersAreFailuresThatBreakChannel)
{
    const QByteArray garbled[] = {
        "this is not json\n",
        "[1,2]\n",
        "{\"id\":99,\"result\":{\"type\":\"empty\"}}\n",
        "{\"id\":1,\"result\":{\"type\":\"short\",\"value\":70000}}\n",
        "{\"id\":1,\"result\":{\"type\":\"string\",\"value\":3}}\n",
        "{\"id\":1,\"error\":{\"code\":-1,\"description\":\"x\"}}\n",
        "{\"id\":1}\n",
    };
    for (const QByteArray& reply : garbled) {
        auto channel = Start([reply](const QByteArray&) { return reply; });
        EXPECT_THROW(CallApp(channel), CAutomationFailure) << reply.constData();
        EXPECT_FALSE(channel->IsConnected()) << reply.constData();
        EXPECT_THROW(CallApp(channel), CAutomationFailure);
        m_server.reset();
    }
}

// An editor that streams without ever ending its line is cut off once the
// answer outgrows any real one, well before the call's time bound.
TEST_F(AutomationChannelTest, OversizedAnswerIsRefusedBeforeTheBound)
{
    auto channel = Start([](const QByteArray&) { return QByteArray(6 * 1024 * 1024, 'x'); });
    channel->SetCallBounds(60'000, 60'000);
    QElapsedTimer timer;
    timer.start();
    try {
        CallApp(channel);
        FAIL() << "no failure";
    } catch (const CAutomationFailure& e) {
        EXPECT_TRUE(e.Reason().contains("oversized")) << e.what();
    }
    EXPECT_LT(timer.elapsed(), 30'000);
    EXPECT_FALSE(channel->IsConnected());
}

// Every answer line, whatever it holds, ends as a value or as one of the
// two exceptions a call throws; a garbled one also breaks the channel.
TEST(AutomationAnswerTest, AnswerLinesAreReadWithoutAConnection)
{
    auto channel = CAutomationChannel::Unconnected();
    EXPECT_FALSE(channel->IsConnected());
    EXPECT_THROW(channel->Call(CAutomationChannel::kApplicationHandle, 1, EInvokeKind::Method, {}, ECallBound::Normal),
        CAutomationFailure);

    auto reader = CAutomationChannel::Unconnected();
    EXPECT_EQ(reader->ReadAnswer(R"({"id":7,"result":{"type":"short","value":12}})", 7).ToShort(), 12);
    EXPECT_THROW(reader->ReadAnswer(R"({"id":7,"error":{"code":3,"description":"d"}})", 7), CDispatchException);
    const QByteArray garbled[] = {
        "", "\n", "{", "null", R"({"id":7.5,"result":{"type":"empty"}})", R"({"id":1e300,"result":{}})",
        R"({"id":7,"result":{"type":"long","value":2147483648}})",
        R"({"id":7,"result":{"type":"object","value":0}})", R"({"id":7,"result":[]})",
    };
    for (const QByteArray& line : garbled)
        EXPECT_THROW(reader->ReadAnswer(line, 7), CAutomationFailure) << line.constData();
}

TEST_F(AutomationChannelTest, SilentServerFailsWithinBound)
{
    auto channel = Start([](const QByteArray&) { return QByteArray(); });
    QElapsedTimer timer;
    timer.start();
    EXPECT_THROW(CallApp(channel), CAutomationFailure);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_FALSE(channel->IsConnected());
}

// A server of another process that accepts and then never answers is stopped
// or hung: the call fails within its bound and the server is ended, so that
// the next connection cannot reach it again. One that dies mid-call is gone
// too. Either way a new one may take the call.
TEST_F(AutomationChannelTest, SilentServerProcessIsEndedAndDeadOneIsGone)
{
    for (const QString how : { "hang", "die" }) {
        QFile::remove(SocketPath());
        QProcess server;
        server.start("/usr/bin/python3", { "-c",
            "import socket, sys, time\n"
            "s = socket.socket(socket.AF_UNIX)\ns.bind(sys.argv[1])\ns.listen(1)\n"
            "c, _ = s.accept()\nc.recv(100)\nif sys.argv[2] == 'die': sys.exit(0)\ntime.sleep(60)",
            SocketPath(), how });
        ASSERT_TRUE(server.waitForStarted());
        std::shared_ptr<CAutomationChannel> channel;
        for (int tries = 0; tries < 500 && !channel; ++tries) {
            channel = CAutomationChannel::Connect(SocketPath(), 100);
            if (!channel)
                QThread::msleep(10);
        }
        ASSERT_NE(channel, nullptr);
        EXPECT_EQ(channel->ServerPid(), server.processId());
        channel->SetCallBounds(how == "hang" ? 300 : 10'000, 10'000);
        try {
            CallApp(channel);
            FAIL() << "no failure";
        } catch (const CAutomationFailure& e) {
            EXPECT_TRUE(e.IsEditorGone()) << e.what();
        }
        EXPECT_TRUE(server.waitForFinished(5000));
        EXPECT_EQ(server.exitStatus(), how == "hang" ? QProcess::CrashExit : QProcess::NormalExit);
    }
}

TEST_F(AutomationChannelTest, ServerDyingMidCallOrBetweenCallsIsNoticed)
{
    auto channel = Start([](const QByteArray&) { return std::optional<QByteArray>(); });
    EXPECT_THROW(CallApp(channel), CAutomationFailure);
    EXPECT_FALSE(channel->IsConnected());

    m_server.reset();
    channel = Start(Answer(R"("result":{"type":"empty"})"));
    CallApp(channel);
    m_server.reset();
    EXPECT_FALSE(channel->IsConnected());
}

TEST_F(AutomationChannelTest, NothingListeningGivesNoChannel)
{
    EXPECT_EQ(CAutomationChannel::Connect(SocketPath(), 200), nullptr);
}

class AutomationRegistryTest : public ::testing::Test {
protected:
    QString WriteRegistry(const QByteArray& json)
    {
        const QString path = m_dir.filePath("automation.json");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
        return path;
    }
    QTemporaryDir m_dir;
};

TEST_F(AutomationRegistryTest, FindsCommandWithFolderFilledIn)
{
    const CAutomationRegistry registry(
        WriteRegistry(R"({"P.Q":{"command":["prog","${DIR}/s.py","-x"],"startWaitMs":500}})"));
    const auto server = registry.Find("P.Q");
    ASSERT_TRUE(server.has_value());
    EXPECT_EQ(server->strProgram, "prog");
    EXPECT_EQ(server->arguments, (QStringList { m_dir.path() + "/s.py", "-x" }));
    EXPECT_EQ(server->nStartWaitMs, 500);
    EXPECT_FALSE(registry.Find("Other").has_value());

    qputenv("QUILLERY_AUTOMATION_REGISTRY", m_dir.filePath("automation.json").toLocal8Bit());
    EXPECT_EQ(CAutomationRegistry::DefaultPath(), m_dir.filePath("automation.json"));
    qunsetenv("QUILLERY_AUTOMATION_REGISTRY");
}

TEST_F(AutomationRegistryTest, MissingOrDamagedRegistrationFindsNothing)
{
    EXPECT_FALSE(CAutomationRegistry(m_dir.filePath("none.json")).Find("P.Q").has_value());
    EXPECT_FALSE(CAutomationRegistry(WriteRegistry("{\"P.Q\":{\"command\":")).Find("P.Q").has_value());
    EXPECT_FALSE(CAutomationRegistry(WriteRegistry(R"({"P.Q":{"command":[1]}})")).Find("P.Q").has_value());
    EXPECT_FALSE(CAutomationRegistry(WriteRegistry(R"({"P.Q":{"command":[]}})")).Find("P.Q").has_value());
}

TEST_F(AutomationRegistryTest, LaunchGivesUpOnServerThatExitsOrNeverListens)
{
    qputenv("XDG_RUNTIME_DIR", m_dir.path().toLocal8Bit());
    CLocalAutomationSystem exits(
        CAutomationRegistry(WriteRegistry(R"({"P.Q":{"command":["/bin/false"],"startWaitMs":20000}})")));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(exits.CreateInstance("P.Q"), nullptr);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(exits.LastLaunchFailure(), IAutomationSystem::ELaunchFailure::EndedDuringStart);

    CLocalAutomationSystem silent(
        CAutomationRegistry(WriteRegistry(R"({"P.Q":{"command":["/bin/sh","-c","sleep 3"],"startWaitMs":300}})")));
    timer.restart();
    EXPECT_EQ(silent.CreateInstance("P.Q"), nullptr);
    EXPECT_LT(timer.elapsed(), 4500);
    EXPECT_EQ(silent.LastLaunchFailure(), IAutomationSystem::ELaunchFailure::NoAnswer);
    // It was ended, not left holding its socket name.
    EXPECT_TRUE(silent.WaitForLaunchedServers(0));
    EXPECT_EQ(silent.GetActiveObject("P.Q"), nullptr);
    EXPECT_EQ(silent.CreateInstance("Unregistered"), nullptr);
    EXPECT_EQ(silent.LastLaunchFailure(), IAutomationSystem::ELaunchFailure::NotInstalled);
}

} // namespace
