#include "app/CQuilleryController.h"

#include "app/CQuilleryDoc.h"
#include "app/CSingleInstance.h"
#include "app/CViewSettings.h"
#include "autocreate/CConsoleProgress.h"
#include "autocreate/CMemoryFrameFields.h"
#include "canvas/CDrawingModel.h"
#include "fonteditor/FakeGlyphsmith.h"
#include "support/FakeMessageBox.h"
#include "support/PausingServices.h"
#include "support/FileSizeLimit.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The documents folder, and so the run's error log, in a folder of the test's.
struct HomeInTemp
{
    HomeInTemp() { qputenv("HOME", QFile::encodeName(dir.path())); }
    ~HomeInTemp() { qputenv("HOME", old); }
    QTemporaryDir dir;
    QByteArray old = qgetenv("HOME");
};

class QuilleryControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        ASSERT_TRUE(doc.LoadTemplate(128));
        controller.SetDocument(&doc);
        settings.m_nBmpSize = 128;
        settings.m_strChar = QStringLiteral("あ");
        frame.SetCharText(settings.m_strChar);
        frame.SetCharChanged([this] { controller.OnCharChanged(); });
        frame.SetFontFilePathText(temp.filePath(QStringLiteral("font.ttf")));
        automation.state.strFilePath = frame.GetFontFilePathText();
        drawing.OnButtonDown(PointerButton::Left, {64, 64});
        drawing.OnButtonUp();
    }
    void TearDown() override { qunsetenv("TMPDIR"); }

    QStringList WorkFiles() const { return QDir(temp.path()).entryList({QStringLiteral("QL*")}, QDir::Files); }
    bool Imported() const { return !automation.state.log.filter(QStringLiteral("Font.39")).isEmpty(); }

    HomeInTemp home;
    QTemporaryDir temp;
    FakeMessageBox messages;
    FakeAutomationSystem automation;
    CViewSettings settings;
    CDrawingModel drawing {128, 0};
    CMemoryFrameFields frame;
    PausingServices services;
    CQuilleryDoc doc {QStringLiteral(QUILLERY_BUILD_DIR), messages};
    CQuilleryController controller {{drawing, settings, frame, messages, automation, services, services}};
};

} // namespace

TEST_F(QuilleryControllerTest, ExecuteImportsTheCurrentCharacterAndMovesOn)
{
    settings.m_bDoAndNext = true;
    messages.answers = {true};  // a new font for the missing file
    controller.OnExecute();
    EXPECT_TRUE(automation.state.log.contains(QStringLiteral("Font.17(0s,33440,false)")))
        << automation.state.log.join('|').toStdString();
    EXPECT_TRUE(Imported());
    EXPECT_TRUE(WorkFiles().isEmpty());
    EXPECT_EQ(settings.m_strChar, QStringLiteral("ぃ"));
    EXPECT_EQ(frame.GetCharText(), QStringLiteral("ぃ"));
}

TEST_F(QuilleryControllerTest, CanvasRowsReachTheBitmapUnchanged)
{
    controller.CopyCanvasToDib();
    const CDib& dib = doc.Dib();
    const CCanvasBitmap& canvas = drawing.Canvas();
    for (int r = 0; r < canvas.Height(); ++r)
        ASSERT_EQ(0, std::memcmp(dib.Bits().data() + static_cast<size_t>(r) * dib.Stride(), canvas.Row(r), 16)) << r;
}

TEST_F(QuilleryControllerTest, BitmapThatCannotBeWrittenStopsTheGlyphStepAndLeavesNoFile)
{
    settings.m_bDoAndNext = true;
    messages.answers = {true};  // the next character opens a new font for the missing file
    {
        const FileSizeLimit fullDisk(100);
        controller.OnExecute();
    }
    EXPECT_EQ(messages.messages.size(), 1) << messages.messages.join('|').toStdString();
    EXPECT_FALSE(Imported());
    EXPECT_TRUE(WorkFiles().isEmpty());
    // Going on to the next character does not depend on the glyph step.
    EXPECT_EQ(settings.m_strChar, QStringLiteral("ぃ"));
}

TEST_F(QuilleryControllerTest, SecondCopyStartedDuringARunIsAnsweredBetweenCharacters)
{
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name};
    QCoreApplication app(argc, argv);

    settings.m_bDoAndNext = true;
    settings.m_bWriteStrokeFile = true;
    settings.m_strStrkFolderPath = temp.filePath(QStringLiteral("strokes"));
    messages.answers = {true, true};  // a new font, a new stroke folder
    for (int i = 0; i < 3; ++i)
        controller.OnExecute();
    ASSERT_EQ(QDir(settings.m_strStrkFolderPath).entryList(QDir::Files).size(), 3);

    CSingleInstance running(temp.filePath(QStringLiteral("runtime")));
    QDir().mkpath(temp.filePath(QStringLiteral("runtime")));
    ASSERT_TRUE(running.Acquire());
    int activations = 0;
    QObject::connect(&running, &CSingleInstance::ActivateRequested, [&] { ++activations; });

    // The second copy starts in the pause after the first character; the run
    // lets events through there until the request has come.
    QProcess second;
    int pauses = 0;
    services.onPump = [&] {
        if (++pauses != 1)
            return;
        second.start(QStringLiteral(QUILLERY_SINGLE_INSTANCE_HELPER),
                     {QStringLiteral("ask"), temp.filePath(QStringLiteral("runtime"))});
        const QDeadlineTimer deadline(10000);
        while (activations == 0 && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(5);
        }
    };
    messages.answers = {true};  // go ahead with the run
    controller.OnAutoCreate();

    EXPECT_EQ(pauses, 3);
    EXPECT_EQ(activations, 1);
    // It may have ended already while the run let events through.
    if (second.state() != QProcess::NotRunning) {
        ASSERT_TRUE(second.waitForFinished(10000));
    }
    EXPECT_EQ(second.readAll().simplified(), QByteArray("busy asked"));
    EXPECT_EQ(second.exitCode(), 1);
}

namespace {

const QString kDiscardQuestion = QStringLiteral("実行していない文字があります。破棄してよろしいですか？");

} // namespace

TEST_F(QuilleryControllerTest, UnexecutedDrawingIsDroppedOnlyAfterAQuestion)
{
    // No keeps the drawing and its character, from the field and the box.
    messages.answers = {false};
    frame.SetCharText(QStringLiteral("い"));
    EXPECT_EQ(messages.questions, QStringList{kDiscardQuestion});
    EXPECT_EQ(settings.m_strChar, QStringLiteral("あ"));
    EXPECT_EQ(frame.GetCharText(), QStringLiteral("あ"));
    EXPECT_GT(drawing.Canvas().CountInk(), 0);
    frame.EnableVertical(true);
    frame.SetVerticalCheck(true);
    messages.answers = {false};
    controller.OnVerticalClicked();
    EXPECT_FALSE(frame.IsVerticalChecked());
    messages.answers = {false};
    controller.OnNextChar();
    EXPECT_EQ(settings.m_strChar, QStringLiteral("あ"));
    EXPECT_EQ(messages.questions.size(), 3);
    EXPECT_GT(drawing.Canvas().CountInk(), 0);

    messages.answers = {true};
    frame.SetCharText(QStringLiteral("い"));
    EXPECT_EQ(settings.m_strChar, QStringLiteral("い"));
    EXPECT_EQ(drawing.Canvas().CountInk(), 0);

    // A blank canvas, and a drawing that went into the font, go without one.
    frame.SetCharText(QStringLiteral("う"));
    drawing.OnButtonDown(PointerButton::Left, {30, 30});
    drawing.OnButtonUp();
    messages.answers = {true};  // a new font for the missing file
    controller.OnExecute();
    ASSERT_TRUE(Imported());
    controller.OnNextChar();
    EXPECT_EQ(settings.m_strChar, QStringLiteral("ぇ"));
    EXPECT_EQ(messages.questions.size(), 5);
    EXPECT_FALSE(messages.questions.last().contains(kDiscardQuestion));
}

// The status bar tells what Execute did until the font changes; the font a
// glyph went into is told, to be kept.
TEST_F(QuilleryControllerTest, ExecuteSaysInTheStatusBarWhatHappened)
{
    QStringList fontsInUse;
    controller.SetFontInUseListener([&](const QString& path) { fontsInUse << path; });
    messages.answers = {true};  // a new font for the missing file
    controller.OnExecute();
    ASSERT_FALSE(services.statuses.isEmpty());
    EXPECT_EQ(services.statuses.last(),
              QStringLiteral("「あ」 を %1 に取り込みました。").arg(frame.GetFontFilePathText()));
    EXPECT_EQ(fontsInUse, QStringList {frame.GetFontFilePathText()});
    controller.OnFontFieldChanged();
    EXPECT_EQ(services.statuses.last(), QString());

    // After a failure the move Execute makes on its own asks nothing.
    settings.m_bDoAndNext = true;
    automation.state.faults["Font.39"] = FakeEditorState::EFault::Dispatch;
    drawing.OnButtonDown(PointerButton::Left, {30, 30});
    drawing.OnButtonUp();
    controller.OnExecute();
    EXPECT_EQ(services.statuses.last(), QStringLiteral("「あ」 をフォントに取り込めませんでした。"));
    EXPECT_EQ(messages.messages, QStringList{QStringLiteral("エラー:1234\nrefused Font.39")});
    EXPECT_EQ(settings.m_strChar, QStringLiteral("ぃ"));
    EXPECT_FALSE(messages.questions.contains(kDiscardQuestion));
}

// Without an editor or a font, Execute says so once: the move after it
// would only ask for them again and say the same. An editor that stopped
// during a run is replaced, and the summary tells it.
TEST_F(QuilleryControllerTest, NoFontIsSaidOnceAndARestartDuringARunIsInItsSummary)
{
    settings.m_bDoAndNext = true;
    automation.bLaunchable = false;
    controller.OnExecute();
    EXPECT_EQ(messages.messages.size(), 1) << messages.messages.join('|').toStdString();
    EXPECT_EQ(settings.m_strChar, QStringLiteral("あ"));

    automation.bLaunchable = true;
    messages.messages.clear();
    settings.m_bWriteStrokeFile = true;
    settings.m_strStrkFolderPath = temp.filePath(QStringLiteral("strokes"));
    QFile(frame.GetFontFilePathText()).open(QIODevice::WriteOnly);  // the font the editor opens again
    messages.answers = {true};  // a new stroke folder
    for (int i = 0; i < 3; ++i)
        controller.OnExecute();
    ASSERT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
    automation.state.deaths["Font.39"] = 1;
    messages.answers = {true};
    messages.informations.clear();
    controller.OnAutoCreate();
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
    ASSERT_EQ(messages.informations.size(), 1);
    EXPECT_TRUE(messages.informations[0].contains(QStringLiteral("3個の文字を")));
    EXPECT_TRUE(messages.informations[0].endsWith(
        QStringLiteral("フォントエディタが止まったため再起動しました。失われた文字はありません。")));
    EXPECT_EQ(automation.state.log.count(QStringLiteral("App.111=(true)")), 2);
    EXPECT_EQ(automation.state.log.count(QStringLiteral("App.111=(false)")), 1);
}

// Every character of a run failing in the editor: each goes to the log with
// the editor's code and description, no box comes up, Cancel still ends the
// run, and one message sums it up.
TEST_F(QuilleryControllerTest, RunOfFailingCharactersIsLoggedSummedUpAndCancellable)
{
    settings.m_bDoAndNext = true;
    settings.m_bWriteStrokeFile = true;
    settings.m_strStrkFolderPath = temp.filePath(QStringLiteral("strokes"));
    messages.answers = {true, true};  // a new font, a new stroke folder
    for (int i = 0; i < 6; ++i)
        controller.OnExecute();
    drawing.OnButtonDown(PointerButton::Left, {30, 30});  // a drawing never executed
    drawing.OnButtonUp();

    automation.state.faults["Font.39"] = FakeEditorState::EFault::Dispatch;
    messages.messages.clear();
    messages.questions.clear();
    int pauses = 0;
    services.onPump = [&] {
        if (++pauses == 3)
            controller.OnCancelAutoCreate();
    };
    messages.answers = {true};
    controller.OnAutoCreate();

    EXPECT_EQ(messages.questions.size(), 1);  // the run's own, not the drawing's
    ASSERT_EQ(messages.messages.size(), 1) << messages.messages.join('|').toStdString();
    const QString& summary = messages.messages[0];
    const QString logPath = controller.AutoCreator().ErrorLogPath();
    EXPECT_TRUE(summary.startsWith(QStringLiteral("自動作成を中止しました。\n0個の文字を %1 に作成しました。")
                                       .arg(frame.GetFontFilePathText())))
        << summary.toStdString();
    // Cancel in the third pause ends the run after the fourth file.
    EXPECT_TRUE(summary.contains(QStringLiteral("4個の文字は作成できませんでした。")));
    EXPECT_TRUE(summary.contains(QStringLiteral("処理したファイルは4個、残りは2個です。")));
    EXPECT_TRUE(summary.contains(logPath));
    // The status bar's news of the last Execute gives way to the run's.
    EXPECT_EQ(services.statuses.last(),
              QStringLiteral("自動作成を中止しました。0個の文字を %1 に作成しました。").arg(frame.GetFontFilePathText()));
    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(logPath.startsWith(home.dir.path()));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("0x82A0\tU3042.stk\tエラー:1234 refused Font.39"));
    // Moving on after the run loses nothing.
    controller.OnNextChar();
    EXPECT_EQ(messages.questions.size(), 1);
    EXPECT_EQ(CAutoCreator::CountText(123, 3158), QStringLiteral("123 / 3,158"));
}

TEST_F(QuilleryControllerTest, GuideShowsTheGlyphAlreadyInTheFontWhenTheEditorCanTellIt)
{
    drawing.ClearCanvas();
    drawing.ResetHistory();
    automation.state.glyphs[0x82A2] = QStringLiteral("A 1024 M 100 100 L 900 100 L 900 800 Z");
    messages.answers = {true};  // a new font for the missing file
    ASSERT_TRUE(controller.ConnectEditor() && controller.OpenFontInEditor());

    frame.SetCharText(QStringLiteral("い"));
    ASSERT_NE(controller.Guide(), nullptr);
    EXPECT_EQ(controller.Guide()->Em(), 1024);
    EXPECT_EQ(controller.Guide()->Descent(), 144);
    EXPECT_EQ(controller.Guide()->Outline().Commands().size(), 4);
    frame.SetCharText(QStringLiteral("う"));
    EXPECT_EQ(controller.Guide(), nullptr);  // no glyph yet

    automation.state.strMetrics = QStringLiteral("1024 880");
    frame.SetCharText(QStringLiteral("い"));
    EXPECT_EQ(controller.Guide(), nullptr);

    // An editor without the members shows no guide, asks once and says nothing.
    automation.state.strMetrics = QStringLiteral("1024 880 144 1024");
    automation.state.bLacksLaterMembers = true;
    frame.SetCharText(QStringLiteral("う"));
    frame.SetCharText(QStringLiteral("い"));
    EXPECT_EQ(controller.Guide(), nullptr);
    EXPECT_EQ(automation.state.log.filter(QStringLiteral("Font.108")).size(), 4);
    EXPECT_TRUE(messages.messages.isEmpty());
}

// Before the editor is started, the guide is the glyph the font file named
// in the field holds; once the editor runs, the editor's font is the word.
TEST_F(QuilleryControllerTest, GuideBeforeTheEditorComesFromTheFontFile)
{
    drawing.ClearCanvas();
    drawing.ResetHistory();
    QStringList asked;
    controller.SetFileGuideReader([&](const QString& path, const QString& ch, bool vertical) {
        asked << QStringLiteral("%1 %2 %3").arg(path, ch).arg(vertical);
        return CGlyphGuide::FromEditor(QStringLiteral("1000 880 120 1000"), QStringLiteral("A 1000 M 0 0 L 9 0 L 9 9 Z"));
    });
    frame.SetFontFilePathText(QStringLiteral("/fonts/まる.ttf"));
    controller.RefreshGuideFromFile();
    ASSERT_NE(controller.Guide(), nullptr);
    EXPECT_EQ(controller.Guide()->Descent(), 120);
    frame.SetCharText(QStringLiteral("い"));
    EXPECT_EQ(asked, (QStringList {QStringLiteral("/fonts/まる.ttf あ 0"), QStringLiteral("/fonts/まる.ttf い 0")}));
    EXPECT_NE(controller.Guide(), nullptr);

    frame.SetFontFilePathText(temp.filePath(QStringLiteral("font.ttf")));
    messages.answers = {true};  // a new font for the missing file
    ASSERT_TRUE(controller.ConnectEditor() && controller.OpenFontInEditor());
    asked.clear();
    frame.SetCharText(QStringLiteral("う"));
    controller.OnFontFieldChanged();
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(controller.Guide(), nullptr);  // the editor's font has no glyph for it
}

TEST_F(QuilleryControllerTest, EditorThatWentAwayIsQuietWhileFollowingAndComesBackOnNext)
{
    drawing.ClearCanvas();
    drawing.ResetHistory();
    messages.answers = {true};  // a new font for the missing file
    ASSERT_TRUE(controller.ConnectEditor() && controller.OpenFontInEditor());
    automation.launched->bConnected = false;

    frame.SetCharText(QStringLiteral("い"));
    controller.OnVerticalClicked();
    frame.SetCharText(QStringLiteral("う"));
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();

    messages.answers = {true};  // the new editor creates the font again
    controller.OnNextChar();
    EXPECT_EQ(automation.log.count(QStringLiteral("CreateInstance")), 2);
    EXPECT_EQ(settings.m_strChar, QStringLiteral("ぇ"));
    EXPECT_TRUE(messages.messages.isEmpty());
}

// With the option on, Execute goes on through the plan's set in a font with
// gaps: past characters done and codes the editor refuses, round to the
// start, never to a character already done; when nothing is left it says so.
TEST_F(QuilleryControllerTest, ExecuteGoesOnToTheNextMissingCharacterOfThePlan)
{
    settings.m_bDoAndNext = true;
    settings.m_bNextMissing = true;
    controller.Plan().SetOwnText(QStringLiteral("あいうえおかき"));
    controller.Plan().SetSet(ECharSet::OwnText);
    automation.state.glyphs[0x82A2] = FakeEditorState::kImportedOutline; // い
    automation.state.glyphs[0x82A6] = FakeEditorState::kImportedOutline; // え
    automation.state.refused = {0x82A8};                                 // お
    messages.answers = {true, true}; // drop the drawing, make a new font
    frame.SetCharText(QStringLiteral("う"));
    const auto executeAndGo = [&] {
        drawing.OnButtonDown(PointerButton::Left, {64, 64});
        drawing.OnButtonUp();
        controller.OnExecute();
        return settings.m_strChar;
    };
    EXPECT_EQ(executeAndGo(), QStringLiteral("か"));
    EXPECT_EQ(executeAndGo(), QStringLiteral("き"));
    EXPECT_EQ(executeAndGo(), QStringLiteral("あ"));
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('\n').toStdString();
    EXPECT_EQ(executeAndGo(), QStringLiteral("あ"));
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages.front().contains(QStringLiteral("どれも受け付けませんでした")));

    // The command alone, in a set of the dictionary: 日 一 人 年 … with
    // 一 and 人 done goes from 日 to 年.
    controller.Plan().SetSet(ECharSet::Grade1);
    automation.state.glyphs[0x88EA] = FakeEditorState::kImportedOutline; // 一
    automation.state.glyphs[0x906C] = FakeEditorState::kImportedOutline; // 人
    frame.SetCharText(QStringLiteral("日"));
    controller.OnNextMissingChar();
    EXPECT_EQ(settings.m_strChar, QStringLiteral("年"));

    // A plan that cannot give a character says so before asking to drop
    // the drawing for a move that could not happen.
    controller.Plan().SetSet(ECharSet::OwnText);
    controller.Plan().SetOwnText(QString());
    drawing.OnButtonDown(PointerButton::Left, {64, 64});
    drawing.OnButtonUp();
    const qsizetype asked = messages.questions.size();
    controller.OnNextMissingChar();
    EXPECT_EQ(messages.questions.size(), asked);
    EXPECT_TRUE(messages.messages.back().contains(QStringLiteral("まだ文章がありません")));
    EXPECT_EQ(settings.m_strChar, QStringLiteral("年"));
}
