#include "app/CSingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SingleInstanceTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    void Start(QProcess& process, const char* mode)
    {
        process.start(QStringLiteral(QUILLERY_SINGLE_INSTANCE_HELPER), {QString::fromLatin1(mode), dir.path()});
        ASSERT_TRUE(process.waitForStarted());
        ASSERT_TRUE(process.waitForReadyRead(10000));
        ASSERT_EQ(process.readLine().trimmed(), QByteArray("ready"));
    }
};

} // namespace

TEST_F(SingleInstanceTest, SecondCopyIsRefusedAndActivatesTheFirst)
{
    QProcess first;
    Start(first, "hold");

    CSingleInstance second(dir.path());
    EXPECT_FALSE(second.Acquire());
    EXPECT_FALSE(second.IsHeld());
    EXPECT_TRUE(second.AskRunningCopyToActivate());

    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.readAll().trimmed(), QByteArray("activated"));
    EXPECT_EQ(first.exitCode(), 0);

    // The first copy has ended and released the lock.
    CSingleInstance third(dir.path());
    EXPECT_TRUE(third.Acquire());
}

TEST_F(SingleInstanceTest, LockOfACrashedCopyIsTakenOver)
{
    QProcess crashed;
    Start(crashed, "crash");
    ASSERT_TRUE(crashed.waitForFinished(10000));
    EXPECT_EQ(crashed.exitCode(), 3);

    CSingleInstance next(dir.path());
    EXPECT_TRUE(next.Acquire());
}

TEST_F(SingleInstanceTest, HolderIsActivatedAndReleaseFreesTheLock)
{
    // The holder's socket needs an event loop.
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name};
    QCoreApplication app(argc, argv);
    CSingleInstance holder(dir.path());
    ASSERT_TRUE(holder.Acquire());
    int activations = 0;
    QObject::connect(&holder, &CSingleInstance::ActivateRequested, [&] { ++activations; });

    QProcess other;
    other.start(QStringLiteral(QUILLERY_SINGLE_INSTANCE_HELPER), {QStringLiteral("hold"), dir.path()});
    ASSERT_TRUE(other.waitForStarted());
    ASSERT_TRUE(other.waitForFinished(10000));
    EXPECT_EQ(other.readAll().trimmed(), QByteArray("busy"));

    CSingleInstance asker(dir.path());
    EXPECT_TRUE(asker.AskRunningCopyToActivate());
    for (int i = 0; i < 200 && activations == 0; ++i)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(activations, 1);

    holder.Release();
    EXPECT_FALSE(asker.AskRunningCopyToActivate());
    EXPECT_TRUE(asker.Acquire());
}

TEST_F(SingleInstanceTest, FolderWithoutRoomForALockDoesNotBlockStarting)
{
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CSingleInstance instance(dir.filePath(QStringLiteral("file/run")));
    EXPECT_TRUE(instance.Acquire());
    EXPECT_FALSE(instance.IsHeld());
}
