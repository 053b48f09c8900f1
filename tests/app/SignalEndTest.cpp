// The window program told to end by a signal, as a desktop logout, a closed
// terminal or Ctrl+C tell it: it ends as a close does, with the settings of
// the run stored on the way out, and not as a killed process.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

class SignalEndTest : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        QDir().mkpath(Config());
        QFile ini(Config() + QStringLiteral("/3.1.0.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Settings]\nChar=\xe3\x81\x95\nBmpSize=448\n");
        ini.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Runtime());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QDir().mkpath(Runtime());
        QFile::setPermissions(Runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    void TearDown() override
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
        }
    }

    QString Config() const { return home.filePath(QStringLiteral("config/Orvane/Quillery")); }
    QString Runtime() const { return home.filePath(QStringLiteral("runtime")); }

    // The single-instance socket appears once start-up has got that far,
    // after the signal handlers are in place. Bounded, for a busy machine.
    bool WaitForStart()
    {
        const QString socket = Runtime() + QStringLiteral("/QuilleryMutexName");
        for (QDeadlineTimer started(60'000); !started.hasExpired(); QThread::msleep(20)) {
            if (QFile::exists(socket))
                return true;
            if (program.state() == QProcess::NotRunning)
                return false;
        }
        return false;
    }

    QTemporaryDir home;
    QProcess program;
};

} // namespace

TEST_P(SignalEndTest, EndsAsACloseDoesWithTheSettingsStored)
{
    program.start(QStringLiteral(QUILLERY_BUILD_DIR "/quillery"), {});
    ASSERT_TRUE(WaitForStart());
    ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), GetParam()), 0);
    ASSERT_TRUE(program.waitForFinished(60'000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    const QSettings ini(Config() + QStringLiteral("/3.1.0.ini"), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("Settings/Char")).toString(), QStringLiteral("さ"));
    // Written only by an orderly end.
    EXPECT_EQ(ini.value(QStringLiteral("Settings/ToolSize")).toString(), QStringLiteral("2"));
    EXPECT_TRUE(ini.contains(QStringLiteral("Windows/MainWindow")));
    EXPECT_FALSE(QFile::exists(Runtime() + QStringLiteral("/QuilleryMutexName")));
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalEndTest, ::testing::Values(SIGTERM, SIGHUP, SIGINT));
