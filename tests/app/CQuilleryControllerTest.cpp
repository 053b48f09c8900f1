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
