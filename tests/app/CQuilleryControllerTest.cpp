#include "app/CQuilleryController.h"

#include "app/CQuilleryDoc.h"
#include "app/CViewSettings.h"
#include "autocreate/CConsoleProgress.h"
#include "autocreate/CMemoryFrameFields.h"
#include "canvas/CDrawingModel.h"
#include "fonteditor/FakeGlyphsmith.h"
#include "support/FakeMessageBox.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    CConsoleProgress services;
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
