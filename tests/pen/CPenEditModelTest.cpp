#include "pen/CPenEditModel.h"

#include "canvas/CCanvasBitmap.h"

#include "pen/CPenFile.h"
#include "pen/IPenEditHost.h"
#include "res/CommandIds.h"
#include "support/FakeMessageBox.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace cmd;

namespace {

struct FakePenEditHost : IPenEditHost
{
    void InvalidateRect(const QRect& rect) override { rects.push_back(rect); }
    std::vector<QRect> rects;
};

class PenEditModelTest : public ::testing::Test
{
protected:
    PenEditModelTest()
    {
        tip.PenBits().fill(0xFF);
        tip.RebuildPenStamp();
        model.SetHost(&host);
        model.OnSize(564, 490);
    }

    QPoint Px(int x, int y) const
    {
        const QRect r = model.CellRect({x, y});
        return r.center();
    }

    int InkCount() const
    {
        int n = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                n += model.IsInk({x, y}) ? 1 : 0;
        return n;
    }

    // Ink dots of the tip as the canvas stamps them, read back from a stamp
    // centred on a 64 x 64 canvas (editor row y is canvas row 63 - y).
    bool StampInk(int x, int y) const
    {
        CCanvasBitmap canvas(64, 64);
        tip.Stamp(canvas, 32, 32, false);
        return canvas.IsInk(x, 63 - y);
    }

    void Drag(QPoint from, QPoint to, bool left = true)
    {
        ASSERT_TRUE(model.OnButtonDown(Px(from.x(), from.y()), left));
        model.OnMove(Px(to.x(), to.y()), left);
        model.OnButtonUp();
    }

    // Lays a literal grid on the tip, '#' ink and '.' paper, its first
    // character on cell `at`.
    void Draw(QPoint at, std::initializer_list<const char*> rows)
    {
        int y = at.y();
        for (const char* row : rows) {
            for (int x = 0; row[x] != '\0'; ++x)
                Set(at.x() + x, y, row[x] == '#');
            ++y;
        }
        tip.RebuildPenStamp();
    }

    void Set(int x, int y, bool ink = true)
    {
        const int byte = x / 8 + (63 - y) * 8;
        const auto mask = static_cast<uint8_t>(0x80 >> (x % 8));
        if (ink)
            tip.PenBits()[byte] &= static_cast<uint8_t>(~mask);
        else
            tip.PenBits()[byte] |= mask;
    }

    CPenTip tip;
    FakeMessageBox box;
    FakePenEditHost host;
    CPenEditModel model {tip, box};
};

} // namespace

TEST_F(PenEditModelTest, LayoutKeepsCellPositiveAndMapsPixelsToCells)
{
    EXPECT_EQ(model.Cell(), 7);
    QPoint cell;
    ASSERT_TRUE(model.CellAt({94, 10}, cell));
    EXPECT_EQ(cell, QPoint(0, 0));
    ASSERT_TRUE(model.CellAt({94 + 64 * 7 - 1, 10 + 64 * 7 - 1}, cell));
    EXPECT_EQ(cell, QPoint(63, 63));
    EXPECT_FALSE(model.CellAt({93, 20}, cell));
    EXPECT_FALSE(model.CellAt({100, 9}, cell));
    EXPECT_FALSE(model.CellAt({94 + 64 * 7, 20}, cell));

    for (QSize tiny : {QSize(0, 0), QSize(150, 600), QSize(-50, -50)}) {
        model.OnSize(tiny.width(), tiny.height());
        EXPECT_EQ(model.Cell(), 1);
        EXPECT_TRUE(model.CellAt({94 + 63, 10 + 63}, cell));
        EXPECT_EQ(cell, QPoint(63, 63));
    }
}

TEST_F(PenEditModelTest, ToolCommandsCheckOneToolAtATime)
{
    const int ids[] = {ID_PEN_EDIT_PEN, ID_PEN_EDIT_ERASER, ID_PEN_EDIT_LINE, ID_PEN_EDIT_FILL};
    for (int chosen : ids) {
        ASSERT_TRUE(model.OnCommand(chosen));
        for (int id : ids)
            EXPECT_EQ(model.UpdateCommand(id), (CommandState {true, id == chosen}));
    }
    EXPECT_EQ(model.PenTool(), CPenEditModel::kToolFill);
    EXPECT_FALSE(model.OnCommand(ID_TOOL_PEN));
}

TEST_F(PenEditModelTest, PenAndEraserColourByButtonAndStampFollowsAtOnce)
{
    // pen: left inks, right whitens
    EXPECT_TRUE(model.OnButtonDown(Px(5, 6), true));
    EXPECT_TRUE(model.IsInk({5, 6}));
    EXPECT_TRUE(StampInk(5, 6));
    EXPECT_TRUE(model.HasCapture());
    model.OnButtonUp();
    EXPECT_FALSE(model.HasCapture());
    EXPECT_EQ(host.rects.back(), CPenEditModel::PreviewFrameRect());
    model.OnButtonDown(Px(5, 6), false);
    model.OnButtonUp();
    EXPECT_FALSE(model.IsInk({5, 6}));
    EXPECT_FALSE(StampInk(5, 6));

    // eraser: left whitens, right inks
    model.OnCommand(ID_PEN_EDIT_ERASER);
    model.OnButtonDown(Px(7, 8), false);
    model.OnButtonUp();
    EXPECT_TRUE(model.IsInk({7, 8}));
    EXPECT_TRUE(StampInk(7, 8));
    model.OnButtonDown(Px(7, 8), true);
    EXPECT_FALSE(model.IsInk({7, 8}));
    EXPECT_FALSE(StampInk(7, 8));
    EXPECT_EQ(InkCount(), 0);
}

// The canvas reads the tip in its own layout: rows bottom-up, 8 bytes a row,
// the leftmost dot in the top bit.
TEST_F(PenEditModelTest, CellsLandOnTheTipBitsAcrossByteBoundaries)
{
    for (int x : {0, 1, 7, 8, 9, 15, 16, 17, 63}) {
        for (int y : {0, 1, 62, 63}) {
            tip.PenBits().fill(0xFF);
            model.OnButtonDown(Px(x, y), true);
            model.OnButtonUp();
            CPenTip::Bits expected;
            expected.fill(0xFF);
            expected[static_cast<size_t>(x / 8 + (63 - y) * 8)] = static_cast<uint8_t>(~(0x80 >> (x % 8)));
            EXPECT_EQ(tip.PenBits(), expected) << x << "," << y;
            EXPECT_TRUE(StampInk(x, y));
        }
    }
}

TEST_F(PenEditModelTest, ClicksOffTheGridAndMovesWithoutCaptureChangeNothing)
{
    EXPECT_FALSE(model.OnButtonDown({20, 20}, true)); // over the preview
    model.OnMove(Px(10, 10), true);
    EXPECT_EQ(InkCount(), 0);

    // a drag that wanders off the grid goes on when it comes back
    model.OnButtonDown(Px(0, 0), true);
    model.OnMove({2000, 2000}, true);
    model.OnMove(Px(3, 0), true);
    model.OnButtonUp();
    EXPECT_EQ(InkCount(), 4);
}

TEST_F(PenEditModelTest, FastDragPaintsEveryCellBetweenDistantCells)
{
    Drag({2, 3}, {60, 40});
    const auto line = CPenEditModel::DigitalLine({2, 3}, {60, 40});
    EXPECT_EQ(InkCount(), static_cast<int>(line.size()));
    for (QPoint cell : line)
        EXPECT_TRUE(model.IsInk(cell));
    // the painted cells were repainted
    EXPECT_GE(host.rects.size(), line.size());
}

TEST_F(PenEditModelTest, DigitalLineIsConnectedIncludesEndsAndIgnoresDirection)
{
    const QPoint ends[][2] = {{{0, 0}, {63, 63}}, {{10, 50}, {40, 2}}, {{5, 5}, {5, 30}},
                              {{60, 1}, {0, 20}}, {{7, 7}, {7, 7}},  {{0, 10}, {63, 12}}};
    for (const auto& e : ends) {
        const auto line = CPenEditModel::DigitalLine(e[0], e[1]);
        const int dx = std::abs(e[1].x() - e[0].x());
        const int dy = std::abs(e[1].y() - e[0].y());
        ASSERT_EQ(line.size(), static_cast<size_t>(std::max(dx, dy) + 1));
        EXPECT_TRUE(line.front() == e[0] || line.front() == e[1]);
        EXPECT_TRUE(line.back() == e[0] || line.back() == e[1]);
        for (size_t i = 1; i < line.size(); ++i) {
            EXPECT_LE(std::abs(line[i].x() - line[i - 1].x()), 1);
            EXPECT_LE(std::abs(line[i].y() - line[i - 1].y()), 1);
        }
        EXPECT_EQ(line, CPenEditModel::DigitalLine(e[1], e[0]));
    }
}

TEST_F(PenEditModelTest, LineToolShowsOnlyTheLineToThePointer)
{
    Set(50, 5); // ink that was there before the drag stays
    tip.RebuildPenStamp();
    model.OnCommand(ID_PEN_EDIT_LINE);
    ASSERT_TRUE(model.OnButtonDown(Px(10, 10), true));
    model.OnMove(Px(50, 12), true);
    model.OnMove(Px(12, 55), true);
    host.rects.clear();
    model.OnMove(Px(40, 40), true);

    const auto line = CPenEditModel::DigitalLine({10, 10}, {40, 40});
    EXPECT_EQ(InkCount(), static_cast<int>(line.size()) + 1);
    for (QPoint cell : line)
        EXPECT_TRUE(model.IsInk(cell));
    EXPECT_TRUE(model.IsInk({50, 5}));
    EXPECT_FALSE(model.IsInk({12, 55}));
    EXPECT_FALSE(StampInk(12, 55));

    // the area of the previous line is repainted
    const QRect previous = QRect(Px(10, 10), Px(12, 55)).normalized().adjusted(-7, -7, 7, 7);
    EXPECT_NE(std::find(host.rects.begin(), host.rects.end(), previous), host.rects.end());

    model.OnButtonUp();
    EXPECT_EQ(InkCount(), static_cast<int>(line.size()) + 1);
}

TEST_F(PenEditModelTest, ClearAllWhitensTheWholeTip)
{
    tip.PenBits().fill(0x00);
    tip.RebuildPenStamp();
    ASSERT_TRUE(model.OnCommand(ID_PEN_EDIT_CLEAR));
    EXPECT_EQ(InkCount(), 0);
    EXPECT_FALSE(StampInk(32, 32));
    EXPECT_EQ(host.rects.back(), model.ImageArea());
}

TEST_F(PenEditModelTest, FillOfTheBlankTipBlackensAllDots)
{
    model.OnCommand(ID_PEN_EDIT_FILL);
    EXPECT_FALSE(model.OnButtonDown(Px(40, 20), true));
    EXPECT_FALSE(model.HasCapture());
    EXPECT_EQ(InkCount(), 64 * 64);
    EXPECT_TRUE(StampInk(0, 63));
    EXPECT_EQ(host.rects.back(), model.ImageArea());

    // the right button whitens the black area again
    model.OnButtonDown(Px(3, 3), false);
    EXPECT_EQ(InkCount(), 0);
}

TEST_F(PenEditModelTest, FillStaysInsideAnOutlineWithADiagonalGap)
{
    // The outline's top right corner is open only diagonally.
    Draw({10, 10}, {
        "#####.",
        "#....#",
        "#....#",
        "#....#",
        "######",
    });
    const int outline = InkCount();
    model.OnCommand(ID_PEN_EDIT_FILL);

    model.OnButtonDown(Px(12, 12), true);
    EXPECT_EQ(InkCount(), outline + 4 * 3);
    EXPECT_TRUE(model.IsInk({11, 11}));
    EXPECT_TRUE(model.IsInk({14, 13}));
    EXPECT_FALSE(model.IsInk({15, 10}));
    EXPECT_FALSE(model.IsInk({16, 9}));
    EXPECT_FALSE(model.IsInk({9, 12}));

    // a left fill on ink changes nothing, whatever lies around it
    const CPenTip::Bits before = tip.PenBits();
    model.OnButtonDown(Px(10, 12), true);
    EXPECT_EQ(tip.PenBits(), before);

    // a right fill on the black area whitens it, and only it
    model.OnButtonDown(Px(10, 10), false);
    EXPECT_EQ(InkCount(), 0);
}

// Rows of single paper dots between full paper rows: a scanline fill has a
// run per dot pending at once, far more than a few hundred seeds.
TEST_F(PenEditModelTest, FillReachesEveryDotOfAManyRunComb)
{
    for (int y = 1; y < 64; y += 2)
        for (int x = 1; x < 64; x += 2)
            Set(x, y);
    const int teeth = InkCount();
    model.OnCommand(ID_PEN_EDIT_FILL);
    model.OnButtonDown(Px(0, 0), true);
    EXPECT_EQ(InkCount(), 64 * 64) << "left " << 64 * 64 - InkCount() << " of " << 64 * 64 - teeth;
}

TEST_F(PenEditModelTest, FillReachesTheEndOfASpiral)
{
    // A square spiral corridor of paper one dot wide, walls of ink.
    tip.PenBits().fill(0x00);
    int left = 0, top = 0, right = 63, bottom = 63;
    int x = 0, y = 0;
    Set(x, y, false);
    while (left <= right && top <= bottom) {
        for (; x < right; ++x) Set(x + 1, y, false);
        top += 2;
        for (; y < bottom; ++y) Set(x, y + 1, false);
        right -= 2;
        for (; x > left; --x) Set(x - 1, y, false);
        bottom -= 2;
        if (top > bottom) break;
        for (; y > top; --y) Set(x, y - 1, false);
        left += 2;
    }
    tip.RebuildPenStamp();
    const int paper = 64 * 64 - InkCount();
    ASSERT_GT(paper, 1500);
    model.OnCommand(ID_PEN_EDIT_FILL);
    model.OnButtonDown(Px(0, 0), true);
    EXPECT_EQ(InkCount(), 64 * 64);
}

TEST_F(PenEditModelTest, OverwriteQuestionOnlyForAnotherExistingFile)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.pen"));
    const QString other = dir.filePath(QStringLiteral("other.pen"));
    {
        QFile f(other);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }

    EXPECT_TRUE(model.SaveAs(a)); // new file: no question
    EXPECT_TRUE(box.questions.isEmpty());
    EXPECT_TRUE(model.SaveAs(a)); // same path again: no question
    EXPECT_TRUE(box.questions.isEmpty());

    EXPECT_FALSE(model.SaveAs(other)); // the fake answers No
    EXPECT_EQ(box.questions, QStringList {QStringLiteral("%1 は既に存在します。\n上書きしますか？").arg(other)});
    QFile kept(other);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("keep me"));
    EXPECT_EQ(model.LastSavePath(), a);

    box.answers.push_back(true);
    EXPECT_TRUE(model.SaveAs(other));
    EXPECT_EQ(QFileInfo(other).size(), CPenFile::kFileSize);
    EXPECT_EQ(model.LastSavePath(), other);
    EXPECT_TRUE(box.messages.isEmpty());
}

TEST_F(PenEditModelTest, AnotherLetterCaseAsksOnlyWhenItIsAnotherFile)
{
    QTemporaryDir dir;
    const QString lower = dir.filePath(QStringLiteral("pen.pen"));
    const QString upper = dir.filePath(QStringLiteral("PEN.PEN"));
    ASSERT_TRUE(model.SaveAs(lower));

    // The same file under another case, as a file system that ignores case
    // shows it.
    ASSERT_TRUE(QFile::link(lower, upper));
    EXPECT_TRUE(model.SaveAs(upper));
    EXPECT_TRUE(box.questions.isEmpty());

    // A different file that differs only in case is asked about.
    ASSERT_TRUE(model.SaveAs(lower));
    ASSERT_TRUE(QFile::remove(upper));
    {
        QFile f(upper);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("another");
    }
    EXPECT_FALSE(model.SaveAs(upper));
    EXPECT_EQ(box.questions.size(), 1);
}

TEST_F(PenEditModelTest, OpenRepaintsWhetherOrNotTheFileLoads)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.pen"));
    CPenTip::Bits bits;
    bits.fill(0x00);
    ASSERT_TRUE(CPenFile::SavePenFile(path, bits, box));

    EXPECT_TRUE(model.Open(path));
    EXPECT_EQ(InkCount(), 64 * 64);
    EXPECT_EQ(host.rects.back(), model.ImageArea());

    host.rects.clear();
    EXPECT_FALSE(model.Open(dir.filePath(QStringLiteral("none.pen"))));
    EXPECT_EQ(InkCount(), 64 * 64);
    EXPECT_EQ(host.rects, std::vector<QRect> {model.ImageArea()});
    EXPECT_EQ(box.messages.size(), 1);
}
