// The whole road with the real font editor: drawing, Execute with its stroke
// file and the move to the next character, the font saved at exit, and the
// same strokes turned into another font by quillery-autocreate.

#include "app/CQuilleryController.h"
#include "app/CQuilleryDoc.h"
#include "app/CViewSettings.h"
#include "autocreate/CConsoleProgress.h"
#include "autocreate/CMemoryFrameFields.h"
#include "canvas/CDrawingModel.h"
#include "fonteditor/CLocalAutomationSystem.h"
#include "support/FakeMessageBox.h"
#include "support/PausingServices.h"
#include "support/UnwritableFolder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

#include "support/FontCheck.h"

#include <gtest/gtest.h>

namespace {

// Freezes the editor, so that the next call to it is surely in flight, and
// kills it a moment later from another thread while that call waits.
class EditorKiller
{
public:
    explicit EditorKiller(qint64 pid)
        : m_pid(static_cast<pid_t>(pid))
    {
        ::kill(m_pid, SIGSTOP);
        m_thread = std::thread([pid = m_pid] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            ::kill(pid, SIGKILL);
        });
    }
    ~EditorKiller() { m_thread.join(); }

private:
    pid_t m_pid;
    std::thread m_thread;
};

class ExecuteEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime.isValid() && out.isValid() && data.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        // The editor's journals of fonts without a file stay with the test.
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        qputenv("QUILLERY_AUTOMATION_REGISTRY", QUILLERY_BUILD_DIR "/automation.json");
        automation = std::make_unique<CLocalAutomationSystem>();
        controller = std::make_unique<CQuilleryController>(
            CQuilleryController::Parts {drawing, settings, frame, messages, *automation, progress, progress});
        settings.m_nBmpSize = 256;
        settings.m_bDoAndNext = true;
        settings.m_bWriteStrokeFile = true;
        settings.m_strStrkFolderPath = out.filePath(QStringLiteral("strokes"));
        settings.m_strChar = QStringLiteral("あ");
        frame.SetCharText(settings.m_strChar);
        frame.SetCharChanged([this] { controller->OnCharChanged(); });
        controller->SetDocument(&doc);
        ASSERT_TRUE(doc.LoadTemplate(256));
    }

    void Stroke(std::initializer_list<QPoint> points)
    {
        auto it = points.begin();
        drawing.OnButtonDown(PointerButton::Left, *it);
        for (++it; it != points.end(); ++it)
            drawing.OnMove(*it, true);
        drawing.OnButtonUp();
    }

    // The editor the controller launched last.
    qint64 EditorPid() const
    {
        const QList<qint64>& launched = automation->LaunchedServers();
        return launched.isEmpty() ? 0 : launched.last();
    }

    QTemporaryDir runtime;
    QTemporaryDir out;
    QTemporaryDir data;
    FakeMessageBox messages;
    CViewSettings settings;
    CDrawingModel drawing {256, 2};
    CMemoryFrameFields frame;
    PausingServices progress;
    CQuilleryDoc doc {QStringLiteral(QUILLERY_BUILD_DIR), messages};
    // Made once the registration is pointed at the build's own.
    std::unique_ptr<CLocalAutomationSystem> automation;
    std::unique_ptr<CQuilleryController> controller;
};

} // namespace

TEST_F(ExecuteEndToEndTest, DrawnCharactersReachAFontAndTheirStrokesReachAnother)
{
    const QString ttf = out.filePath(QStringLiteral("hand.ttf"));
    frame.SetFontFilePathText(ttf);
    messages.answers = {true, true};  // create the font file, create the stroke folder

    Stroke({{40, 60}, {200, 60}, {200, 220}});
    controller->OnExecute();
    EXPECT_EQ(settings.m_strChar, QStringLiteral("ぃ"));
    EXPECT_EQ(frame.GetCharText(), QStringLiteral("ぃ"));
    EXPECT_EQ(drawing.Canvas().CountInk(), 0);  // a fresh canvas for the next character
    Stroke({{60, 40}, {60, 200}});
    controller->OnExecute();
    EXPECT_EQ(settings.m_strChar, QStringLiteral("い"));
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();

    EXPECT_TRUE(controller->QueryClose());
    EXPECT_EQ(controller->ReleaseAtExit(frame.GetFontFilePathText()), ttf);
    const QJsonObject font = CheckFont(ttf);
    EXPECT_TRUE(font["warnings"].toArray().isEmpty());
    EXPECT_TRUE(HasOutline(font, 0x3042));
    EXPECT_TRUE(HasOutline(font, 0x3043));
    const QDir strokes(settings.m_strStrkFolderPath);
    EXPECT_TRUE(strokes.exists(QStringLiteral("U3042.stk")));
    EXPECT_TRUE(strokes.exists(QStringLiteral("U3043.stk")));

    // The same strokes, replayed at another size with another tip, into a
    // new font with the names given.
    const QString again = out.filePath(QStringLiteral("again.ttf"));
    QProcess autocreate;
    autocreate.start(QStringLiteral(QUILLERY_BUILD_DIR "/quillery-autocreate"),
                     {QStringLiteral("--size"), QStringLiteral("128"), QStringLiteral("--tip"), QStringLiteral("0"),
                      QStringLiteral("--family"), QStringLiteral("Tegaki Test"), QStringLiteral("--family-ja"),
                      QStringLiteral("てがきテスト"), QStringLiteral("--font"), again, settings.m_strStrkFolderPath});
    ASSERT_TRUE(autocreate.waitForFinished(120'000));
    EXPECT_EQ(autocreate.exitCode(), 0) << autocreate.readAllStandardError().constData();
    const QJsonObject replayed = CheckFont(again);
    EXPECT_TRUE(HasOutline(replayed, 0x3042));
    EXPECT_TRUE(HasOutline(replayed, 0x3043));
    EXPECT_EQ(replayed["name"].toObject()["1"].toString(), QStringLiteral("Tegaki Test"));
    EXPECT_EQ(replayed["nameJa"].toObject()["1"].toString(), QStringLiteral("てがきテスト"));

    // Without a font file the glyphs would go into a font that ends with the
    // run; into a folder that refuses files the run fails before tracing.
    const auto run = [&](const QStringList& arguments) {
        QProcess process;
        process.start(QStringLiteral(QUILLERY_BUILD_DIR "/quillery-autocreate"), arguments);
        EXPECT_TRUE(process.waitForFinished(120'000));
        return std::pair {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
    };
    const auto [bareStatus, bareText] = run({settings.m_strStrkFolderPath});
    EXPECT_EQ(bareStatus, 2);
    EXPECT_TRUE(bareText.contains(QStringLiteral("--font: "))) << bareText.toStdString();
    // A font that exists keeps its names.
    const QByteArray before = [&] {
        QFile file(again);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const auto [renameStatus, renameText]
        = run({QStringLiteral("--family"), QStringLiteral("Other"), QStringLiteral("--font"), again,
               settings.m_strStrkFolderPath});
    EXPECT_EQ(renameStatus, 2);
    EXPECT_TRUE(renameText.contains(QStringLiteral("はすでにあります"))) << renameText.toStdString();
    QFile unchanged(again);
    ASSERT_TRUE(unchanged.open(QIODevice::ReadOnly));
    EXPECT_EQ(unchanged.readAll(), before);

    ASSERT_TRUE(QDir(out.path()).mkdir(QStringLiteral("locked")));
    const UnwritableFolder locked(out.filePath(QStringLiteral("locked")));
    if (!locked.IsUnwritable())
        GTEST_SKIP() << "this file system cannot make a folder read-only for this user";
    const QString refused = out.filePath(QStringLiteral("locked/refused.ttf"));
    const auto [status, text] = run({QStringLiteral("--font"), refused, settings.m_strStrkFolderPath});
    EXPECT_EQ(status, 1) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("自動作成を中止しました"))) << text.toStdString();
    EXPECT_FALSE(QFile::exists(refused));
}

TEST_F(ExecuteEndToEndTest, EditorKilledBetweenTwoCharactersOfARunIsStartedAgain)
{
    const QString ttf = out.filePath(QStringLiteral("killed.ttf"));
    frame.SetFontFilePathText(ttf);
    messages.answers = {true, true};  // create the font file, create the stroke folder
    for (int i = 0; i < 3; ++i) {
        Stroke({{40 + i * 30, 60}, {200, 60 + i * 40}, {120, 220}});
        controller->OnExecute();
    }
    ASSERT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();

    // The editor dies in the pause after the first character of the run,
    // perhaps only while the next character is on its way.
    int pauses = 0;
    progress.onPump = [&] {
        if (++pauses == 1)
            ::kill(static_cast<pid_t>(EditorPid()), SIGKILL);
    };
    messages.answers = {true};  // go ahead with the run
    messages.informations.clear();
    controller->OnAutoCreate();
    EXPECT_EQ(pauses, 3);
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
    ASSERT_EQ(messages.informations.size(), 1);
    EXPECT_TRUE(messages.informations[0].contains(QStringLiteral("3個の文字を")));
    EXPECT_TRUE(messages.informations[0].endsWith(
        QStringLiteral("フォントエディタが止まったため再起動しました。失われた文字はありません。")))
        << messages.informations[0].toStdString();

    // The editor came back for the later characters, with the one it had
    // done before it died, and the font it saves is whole.
    EXPECT_EQ(controller->ReleaseAtExit(frame.GetFontFilePathText()), ttf);
    const QJsonObject font = CheckFont(ttf);
    EXPECT_TRUE(font["warnings"].toArray().isEmpty());
    EXPECT_TRUE(HasOutline(font, 0x3042));
    EXPECT_TRUE(HasOutline(font, 0x3043));
    EXPECT_TRUE(HasOutline(font, 0x3044));
}

// An editor that dies or stops answering while a glyph is on its way is
// replaced: the new one opens the font again, the glyph goes in, and the
// user hears once that nothing was lost. Killed during the save at exit, the
// save is made by a new editor.
TEST_F(ExecuteEndToEndTest, EditorKilledOrStoppedDuringAnExecuteOrTheSaveLosesNothing)
{
    const QString ttf = out.filePath(QStringLiteral("saved.ttf"));
    frame.SetFontFilePathText(ttf);
    settings.m_bDoAndNext = false;
    settings.m_bWriteStrokeFile = false;
    messages.answers = {true};  // create the font file
    Stroke({{40, 60}, {200, 60}});
    controller->OnExecute();
    ASSERT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();

    // The temporary bitmaps of this test go to a folder of its own.
    const QString work = out.filePath(QStringLiteral("work"));
    QDir().mkpath(work);
    qputenv("TMPDIR", QFile::encodeName(work));
    const auto bitmaps = [&work] { return QDir(work).entryList({QStringLiteral("QL*")}, QDir::Files).size(); };
    const auto before = bitmaps();
    const QString restarted = QStringLiteral("フォントエディタが止まったため再起動しました。失われた文字はありません。");

    // Killed while the glyph of the next Execute is on its way.
    frame.SetCharText(QStringLiteral("い"));
    Stroke({{60, 40}, {60, 200}});
    {
        const EditorKiller killer(EditorPid());
        controller->OnExecute();
    }
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
    EXPECT_EQ(messages.informations, QStringList{restarted});
    EXPECT_EQ(bitmaps(), before);

    // Stopped, and never answering: ended after the call's bound.
    automation->SetCallBounds(2'000, 30'000);
    frame.SetCharText(QStringLiteral("う"));
    Stroke({{60, 40}, {200, 200}});
    ::kill(static_cast<pid_t>(EditorPid()), SIGSTOP);
    controller->OnExecute();
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
    EXPECT_EQ(messages.informations, (QStringList{restarted, restarted}));
    EXPECT_EQ(bitmaps(), before);

    // Killed during the save at exit.
    messages.informations.clear();
    {
        const EditorKiller killer(EditorPid());
        EXPECT_EQ(controller->ReleaseAtExit(frame.GetFontFilePathText()), ttf);
    }
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
    const QJsonObject font = CheckFont(ttf);
    EXPECT_TRUE(HasOutline(font, 0x3042));
    EXPECT_TRUE(HasOutline(font, 0x3044));
    EXPECT_TRUE(HasOutline(font, 0x3046));
    EXPECT_EQ(QDir(out.path()).entryList({QStringLiteral("saved.ttf*")}, QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("saved.ttf")}));
    qunsetenv("TMPDIR");
}

// Started under the C locale, as from cron, with Japanese in the stroke
// folder and the font path: the editor still writes the font, its chatter
// stays out of the output, the progress is plain lines, and no folder is
// left in the temporary folder.
TEST_F(ExecuteEndToEndTest, CommandLineRunUnderTheCLocaleWithJapanesePaths)
{
    const QString folder = out.filePath(QStringLiteral("ストローク"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile stroke(folder + QStringLiteral("/U3042.stk"));
    ASSERT_TRUE(stroke.open(QIODevice::WriteOnly));
    // One stroke of three points on a 256-dot canvas: (40,60) (120,60) (120,180).
    stroke.write(QByteArray("strk\x02\x00\x42\x30\x00\x00\x00\x01\x00\x01\x01\x00\x03\x00\x28\x00\x3c\x00\x50\x00\x00\x78",
                            26));
    stroke.close();
    const QString ttf = out.filePath(QStringLiteral("手書き.ttf"));
    const QString temp = out.filePath(QStringLiteral("tmp"));
    ASSERT_TRUE(QDir().mkpath(temp));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_CTYPE", "LC_MESSAGES", "LANGUAGE", "PYTHONUTF8"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    environment.insert(QStringLiteral("TMPDIR"), temp);
    environment.insert(QStringLiteral("HOME"), out.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), out.filePath(QStringLiteral("config")));
    QProcess autocreate;
    autocreate.setProcessEnvironment(environment);
    autocreate.start(QStringLiteral(QUILLERY_BUILD_DIR "/quillery-autocreate"),
                     {QStringLiteral("--size"), QStringLiteral("256"), QStringLiteral("--font"), ttf, folder});
    ASSERT_TRUE(autocreate.waitForFinished(120'000));
    const QString errors = QString::fromUtf8(autocreate.readAllStandardError());
    EXPECT_EQ(autocreate.exitCode(), 0) << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("Program root"))) << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("Detected locale"))) << errors.toStdString();
    // Not a terminal: the progress comes as plain lines, never redrawn.
    EXPECT_TRUE(errors.contains(QStringLiteral("\n100%\n"))) << errors.toStdString();
    EXPECT_FALSE(errors.contains(QLatin1Char('\r'))) << errors.toStdString();
    EXPECT_TRUE(HasOutline(CheckFont(ttf), 0x3042));
    EXPECT_EQ(QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

// Ctrl+C or a kill during a command line run: the character in hand is
// finished, the font saved with every glyph the summary counts, and the
// status tells the shell which signal ended the run.
TEST_F(ExecuteEndToEndTest, CommandLineRunEndedBySignalKeepsEveryGlyphItCounts)
{
    const QString folder = out.filePath(QStringLiteral("strokes"));
    ASSERT_TRUE(QDir().mkpath(folder));
    constexpr int kFiles = 30;
    for (int unit = 0x3042; unit < 0x3042 + kFiles; ++unit) {
        QFile stroke(folder + QStringLiteral("/U%1.stk").arg(QString::number(unit, 16).toUpper()));
        ASSERT_TRUE(stroke.open(QIODevice::WriteOnly));
        QByteArray bytes("strk\x02\x00\x42\x30\x00\x00\x00\x01\x00\x01\x01\x00\x03\x00\x28\x00\x3c\x00\x50\x00\x00\x78", 26);
        bytes[6] = char(unit & 0xFF);
        bytes[7] = char(unit >> 8);
        stroke.write(bytes);
    }
    for (const int signal : {SIGINT, SIGTERM}) {
        const QString ttf = out.filePath(QStringLiteral("signal-%1.ttf").arg(signal));
        QProcess autocreate;
        autocreate.setReadChannel(QProcess::StandardError);
        autocreate.start(QStringLiteral(QUILLERY_BUILD_DIR "/quillery-autocreate"),
                         {QStringLiteral("--size"), QStringLiteral("256"), QStringLiteral("--font"), ttf, folder});
        // The first step of the progress comes as the first file is taken up.
        QByteArray errors;
        while (!errors.contains("%\n") && autocreate.waitForReadyRead(60'000))
            errors += autocreate.readAllStandardError();
        ASSERT_TRUE(errors.contains("%\n")) << errors.constData();
        ::kill(static_cast<pid_t>(autocreate.processId()), signal);
        ASSERT_TRUE(autocreate.waitForFinished(120'000));
        const QString text = QString::fromUtf8(errors + autocreate.readAllStandardError());
        EXPECT_EQ(autocreate.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(autocreate.exitCode(), 128 + signal) << text.toStdString();
        const QRegularExpressionMatch created
            = QRegularExpression(QStringLiteral("([0-9,]+)個の文字を .* に作成しました")).match(text);
        ASSERT_TRUE(created.hasMatch()) << text.toStdString();
        const int count = created.captured(1).remove(u',').toInt();
        EXPECT_GE(count, 1);
        const QJsonObject font = CheckFont(ttf);
        int glyphs = 0;
        for (int unit = 0x3042; unit < 0x3042 + kFiles; ++unit)
            glyphs += HasOutline(font, unit) ? 1 : 0;
        EXPECT_EQ(glyphs, count) << text.toStdString();
    }
}
