#include "chartable/CCharTable.h"

#include "app/CQuilleryController.h"
#include "app/CQuilleryDoc.h"
#include "app/CViewSettings.h"
#include "autocreate/CMemoryFrameFields.h"
#include "canvas/CDrawingModel.h"
#include "chartable/CCharPlan.h"
#include "chartable/CEditorCharTableSource.h"
#include "fonteditor/FakeGlyphsmith.h"
#include "support/FakeMessageBox.h"
#include "support/PausingServices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const CCharCell kA {0x82A0, false};      // あ
const CCharCell kSmallI {0x82A1, false}; // ぃ
const CCharCell kSmallIv {0x82A1, true};
const CCharCell kU {0x82A4, false};      // う

// The table beside the drawing view's controller, both on one fake editor,
// wired as the main window wires them.
class CharTableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        ASSERT_TRUE(doc.LoadTemplate(128));
        ASSERT_TRUE(QDir(temp.path()).mkdir("strokes"));
        controller.SetDocument(&doc);
        controller.SetCharWorkedListener([this](quint16 code, bool vertical) { table.NoteChanged({code, vertical}); });
        settings.m_nBmpSize = 128;
        settings.m_bWriteStrokeFile = true;
        settings.m_strStrkFolderPath = temp.filePath("strokes");
        frame.SetCharChanged([this] { controller.OnCharChanged(); });
        messages.answers = {true}; // a new font for the missing file
        frame.SetFontFilePathText(temp.filePath("font.ttf"));
        table.SetSet(ECharSet::Hiragana);
    }
    void TearDown() override { qunsetenv("TMPDIR"); }

    void Draw()
    {
        drawing.OnButtonDown(PointerButton::Left, {64, 64});
        drawing.OnButtonUp();
    }
    void ExecuteAt(const QString& ch, bool vertical = false)
    {
        frame.SetCharText(ch);
        frame.EnableVertical(vertical);
        frame.SetVerticalCheck(vertical);
        Draw();
        controller.OnExecute();
    }
    CCharTable::Counts Hiragana() const { return table.CountsOf(ECharSet::Hiragana); }
    int Calls(const QString& name) const { return static_cast<int>(automation.state.log.filter(name).size()); }

    QTemporaryDir temp;
    FakeMessageBox messages;
    FakeAutomationSystem automation;
    CViewSettings settings;
    CDrawingModel drawing {128, 0};
    CMemoryFrameFields frame;
    PausingServices services;
    CQuilleryDoc doc {QStringLiteral(QUILLERY_BUILD_DIR), messages};
    CQuilleryController controller {{drawing, settings, frame, messages, automation, services, services}};
    CEditorCharTableSource source {controller.Session(), [this] { return settings.m_strStrkFolderPath; }};
    CCharPlan plan;
    CCharTable table {source, plan};
};

} // namespace

TEST_F(CharTableTest, CellsFollowExecuteRemovalAndARunWithoutAReload)
{
    ExecuteAt(QStringLiteral("あ"));
    table.Reload();
    ASSERT_TRUE(table.GlyphsKnown()) << table.StatusLine().toStdString();
    EXPECT_TRUE(table.HasGlyph(kA));
    EXPECT_TRUE(table.HasStrokeFile(kA));
    EXPECT_EQ(table.CountText(), QStringLiteral("作成済み 1 / 83"));

    // Execute of a vertical form: only that cell is asked about again.
    const int listsBefore = Calls("Font.100");
    ExecuteAt(QStringLiteral("ぃ"), true);
    const QList<CCharCell> changed = table.ApplyPending();
    EXPECT_TRUE(changed.contains(kSmallIv));
    EXPECT_EQ(Calls("Font.100"), listsBefore);
    EXPECT_TRUE(table.HasGlyph(kSmallIv));
    EXPECT_TRUE(table.HasStrokeFile(kSmallIv));
    EXPECT_FALSE(table.HasGlyph(kSmallI));
    EXPECT_FALSE(table.HasStrokeFile(kSmallI));
    EXPECT_EQ(table.CountsOf(ECharSet::Vertical).glyphs, 1);

    // Removing the upright glyph takes the vertical form with it, after one
    // question that says so; the stroke files stay.
    ExecuteAt(QStringLiteral("ぃ"));
    table.ApplyPending();
    messages.answers = {true};
    table.RemoveGlyphs({kSmallI}, messages);
    ASSERT_EQ(messages.questions.size(), 2) << messages.questions.join('|').toStdString();
    EXPECT_TRUE(messages.questions.last().contains(QStringLiteral("縦書き用のグリフも削除されます")));
    EXPECT_FALSE(table.HasGlyph(kSmallI));
    EXPECT_FALSE(table.HasGlyph(kSmallIv));
    EXPECT_TRUE(table.HasStrokeFile(kSmallIv));
    EXPECT_EQ(automation.state.glyphs.count(kSmallIv.Key()), 0u);
    EXPECT_TRUE(controller.Session().IsGlyphWritten());

    // Several cells: one question, and cells without a glyph are left out.
    ExecuteAt(QStringLiteral("う"));
    table.ApplyPending();
    messages.answers = {true};
    table.RemoveGlyphs({kA, kSmallI, kU}, messages);
    EXPECT_EQ(messages.questions.size(), 3);
    EXPECT_EQ(messages.questions.last(), QStringLiteral("選択した2文字のグリフをフォントから削除しますか？"));
    EXPECT_EQ(Hiragana().glyphs, 0);
    EXPECT_EQ(Hiragana().strokeFiles, 3);
    EXPECT_TRUE(automation.state.glyphs.empty());
    // What was shown stays where it was until the set or filter changes.
    EXPECT_EQ(table.Cells().size(), 83);

    // A run over the stroke folder gives every stroke file its glyph back.
    table.SetFilter(CCharTable::EFilter::StrokeOnly);
    EXPECT_EQ(table.Cells().size(), 3);
    messages.answers = {true};
    controller.OnAutoCreate();
    table.ApplyPending();
    EXPECT_EQ(Hiragana().glyphs, 3);
    EXPECT_TRUE(table.HasGlyph(kSmallIv));
    EXPECT_EQ(table.CountText(), QStringLiteral("作成済み 3 / 83"));
    table.Reload();
    EXPECT_EQ(table.Cells().size(), 0);
}

TEST_F(CharTableTest, RemovalAskedNoOrFailingChangesNothingShown)
{
    ExecuteAt(QStringLiteral("あ"));
    table.Reload();
    messages.answers = {false};
    EXPECT_TRUE(table.RemoveGlyphs({kA}, messages).isEmpty());
    EXPECT_TRUE(table.HasGlyph(kA));
    EXPECT_EQ(Calls("Font.102"), 0);

    automation.state.faults["Font.102"] = FakeEditorState::EFault::Dispatch;
    messages.answers = {true};
    EXPECT_TRUE(table.RemoveGlyphs({kA}, messages).isEmpty());
    EXPECT_TRUE(table.HasGlyph(kA));
    ASSERT_FALSE(messages.messages.isEmpty());
    EXPECT_TRUE(messages.messages.last().contains(QStringLiteral("エラー:1234"))) << messages.messages.last().toStdString();
}

// An editor of before the members from 100, or one that answers nonsense:
// the table says so in one line and shows the stroke files alone; the
// connection stays usable for drawing.
TEST_F(CharTableTest, EditorWithoutTheMembersOrWithADamagedListLeavesTheStrokeFiles)
{
    ExecuteAt(QStringLiteral("あ"));
    automation.state.bLacksLaterMembers = true;
    table.SetFilter(CCharTable::EFilter::Missing);
    table.Reload();
    EXPECT_EQ(table.GlyphInfo(), CCharTable::EGlyphInfo::Lacking);
    EXPECT_TRUE(table.StatusLine().contains(QStringLiteral("ストロークファイルの有無だけ")));
    EXPECT_FALSE(table.StatusLine().contains('\n'));
    EXPECT_EQ(table.CountText(), QStringLiteral("ストロークファイル 1 / 83"));
    EXPECT_EQ(table.Cells().size(), 83);
    EXPECT_EQ(table.Outline(kA), nullptr);
    EXPECT_TRUE(table.Removable({kA}).isEmpty());
    // The editor is not asked again for a member it lacks.
    const int asked = Calls("Font.100");
    table.Reload();
    EXPECT_EQ(Calls("Font.100"), asked);
    ExecuteAt(QStringLiteral("い"));
    EXPECT_TRUE(automation.state.glyphs.count(0x82A2));

}

TEST_F(CharTableTest, DamagedGlyphListIsRefusedWhole)
{
    ExecuteAt(QStringLiteral("あ"));
    automation.state.log.clear(); // the canvas's guide asked for its own outline
    automation.state.glyphCodesAnswer = QStringLiteral("82A0 zz");
    table.Reload();
    EXPECT_EQ(table.GlyphInfo(), CCharTable::EGlyphInfo::Damaged);
    EXPECT_FALSE(table.StatusLine().isEmpty());
    EXPECT_FALSE(table.HasGlyph(kA));
    EXPECT_TRUE(table.HasStrokeFile(kA));
    EXPECT_EQ(table.Outline(kA), nullptr);
    EXPECT_EQ(Calls("Font.101"), 0);
}

TEST_F(CharTableTest, OutlinesAreAskedForOnlyWhenNeededAndKeptWithinBounds)
{
    ExecuteAt(QStringLiteral("あ"));
    automation.state.log.clear(); // the canvas's guide asked for its own outline
    for (const CCharCell& cell : CCharSets::Cells(ECharSet::Kanji1))
        automation.state.glyphs[cell.Key()] = FakeEditorState::kImportedOutline;
    automation.state.glyphs[kU.Key()] = QStringLiteral("A 1000 M 0 0 L 10"); // cut short
    table.Reload();
    EXPECT_EQ(Calls("Font.101"), 0);

    const CGlyphOutline* outline = table.Outline(kA);
    ASSERT_NE(outline, nullptr);
    EXPECT_EQ(outline->Commands().size(), 5);
    EXPECT_EQ(table.Outline(kU), nullptr);
    EXPECT_EQ(table.Outline(kU), nullptr);
    EXPECT_EQ(table.Outline(kSmallI), nullptr); // no glyph: not asked
    EXPECT_EQ(Calls("Font.101"), 2);

    const QList<CCharCell>& kanji = CCharSets::Cells(ECharSet::Kanji1);
    for (const CCharCell& cell : kanji)
        ASSERT_NE(table.Outline(cell), nullptr);
    const int asked = Calls("Font.101");
    table.Outline(kanji.last());
    EXPECT_EQ(Calls("Font.101"), asked);
    table.Outline(kanji.first());
    EXPECT_EQ(Calls("Font.101"), asked + 1) << "the cache holds more than its bound";
}
