#include "pen/CBmpPenEditWnd.h"

#include "app/CMainFrame.h"
#include "canvas/CCursorFactory.h"
#include "canvas/CQuilleryView.h"
#include "pen/CPenFile.h"
#include "pen/CPenGridWidget.h"
#include "res/CommandIds.h"
#include "support/FakeMessageBox.h"

#include <QAction>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace cmd;

namespace {

// The editor with its file dialogs replaced by fixed answers.
class TestPenEditWnd : public CBmpPenEditWnd
{
public:
    using CBmpPenEditWnd::CBmpPenEditWnd;

    QString openPath;
    QString savePath;
    QStringList saveInitialPaths;

protected:
    QString ChooseOpenPath() override { return openPath; }
    QString ChooseSavePath(const QString& initialPath) override
    {
        saveInitialPaths << initialPath;
        return savePath;
    }
};

class PenEditWndTest : public ::testing::Test
{
protected:
    PenEditWndTest()
    {
        tip.PenBits().fill(0xFF);
        tip.RebuildPenStamp();
        wnd.ShowEditor();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&wnd));
    }

    QPoint Px(int x, int y) { return wnd.Model().CellRect({x, y}).center(); }
    bool Ink(int x, int y) { return wnd.Model().IsInk({x, y}); }

    // The dot as the canvas stamps it: editor row y is stamp row 63 - y.
    bool StampInk(int x, int y) const
    {
        CCanvasBitmap canvas(64, 64);
        tip.Stamp(canvas, 32, 32, false);
        return canvas.IsInk(x, 63 - y);
    }

    void Click(Qt::MouseButton button, QPoint cell)
    {
        QTest::mouseClick(wnd.Area(), button, Qt::NoModifier, Px(cell.x(), cell.y()));
    }

    int InkCount()
    {
        int n = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                n += Ink(x, y) ? 1 : 0;
        return n;
    }

    CPenTip tip;
    FakeMessageBox box;
    TestPenEditWnd wnd {tip, nullptr, &box};
};

} // namespace

TEST_F(PenEditWndTest, FixedToolWindowWithItsToolbarAtTheRight)
{
    EXPECT_EQ(wnd.windowTitle(), QStringLiteral("ユーザ定義ペンの編集"));
    EXPECT_EQ(wnd.size(), QSize(610, 510));
    EXPECT_EQ(wnd.minimumSize(), wnd.maximumSize());
    EXPECT_EQ(wnd.toolBarArea(wnd.ToolBar()), Qt::RightToolBarArea);

    std::vector<int> order;
    for (QAction* action : wnd.ToolBar()->actions())
        order.push_back(action->isSeparator() ? 0 : wnd.Action(ID_PEN_EDIT_PEN) == action    ? ID_PEN_EDIT_PEN
                                                 : wnd.Action(ID_PEN_EDIT_ERASER) == action ? ID_PEN_EDIT_ERASER
                                                 : wnd.Action(ID_PEN_EDIT_LINE) == action   ? ID_PEN_EDIT_LINE
                                                 : wnd.Action(ID_PEN_EDIT_FILL) == action   ? ID_PEN_EDIT_FILL
                                                 : wnd.Action(ID_PEN_EDIT_CLEAR) == action  ? ID_PEN_EDIT_CLEAR
                                                 : wnd.Action(ID_PEN_FILE_OPEN) == action   ? ID_PEN_FILE_OPEN
                                                 : wnd.Action(ID_PEN_FILE_SAVE) == action   ? ID_PEN_FILE_SAVE
                                                                                            : -1);
    EXPECT_EQ(order, (std::vector<int> {ID_PEN_EDIT_PEN, ID_PEN_EDIT_ERASER, ID_PEN_EDIT_LINE, ID_PEN_EDIT_FILL, 0,
                                        ID_PEN_EDIT_CLEAR, 0, ID_PEN_FILE_OPEN, ID_PEN_FILE_SAVE}));
    EXPECT_EQ(wnd.Action(ID_PEN_FILE_SAVE)->toolTip(), QStringLiteral("保存"));
    for (int id : order) {
        if (id > 0) {
            EXPECT_FALSE(wnd.Action(id)->icon().pixmap(QSize(16, 15)).isNull()) << id;
        }
    }
    EXPECT_EQ(wnd.ToolBar()->widgetForAction(wnd.Action(ID_PEN_EDIT_PEN))->size(), QSize(36, 36));

    // the grid fits beside the preview, within the drawing area
    EXPECT_GE(wnd.Model().Cell(), 1);
    EXPECT_LE(wnd.Model().GridRect().right(), wnd.Area()->width());
    EXPECT_LE(wnd.Model().GridRect().bottom(), wnd.Area()->height());
}

TEST_F(PenEditWndTest, ToolButtonsCheckOneToolAndSetTheCursor)
{
    wnd.Action(ID_PEN_EDIT_LINE)->trigger();
    EXPECT_EQ(wnd.Model().PenTool(), CPenEditModel::kToolLine);
    EXPECT_TRUE(wnd.Action(ID_PEN_EDIT_LINE)->isChecked());
    EXPECT_FALSE(wnd.Action(ID_PEN_EDIT_PEN)->isChecked());
    EXPECT_EQ(wnd.Area()->cursor().hotSpot(), QPoint(15, 15));
    wnd.Action(ID_PEN_EDIT_FILL)->trigger();
    EXPECT_EQ(wnd.Area()->cursor().hotSpot(), QPoint(11, 21));
    EXPECT_FALSE(wnd.Action(ID_PEN_EDIT_LINE)->isChecked());
}

TEST_F(PenEditWndTest, PenAndEraserWithBothButtonsChangeTipAndStamp)
{
    Click(Qt::LeftButton, {5, 6});
    EXPECT_TRUE(Ink(5, 6));
    EXPECT_TRUE(StampInk(5, 6));
    Click(Qt::RightButton, {5, 6});
    EXPECT_FALSE(Ink(5, 6));
    EXPECT_FALSE(StampInk(5, 6));

    wnd.Action(ID_PEN_EDIT_ERASER)->trigger();
    Click(Qt::RightButton, {40, 41});
    EXPECT_TRUE(Ink(40, 41));
    EXPECT_TRUE(StampInk(40, 41));
    Click(Qt::LeftButton, {40, 41});
    EXPECT_FALSE(Ink(40, 41));
    EXPECT_EQ(InkCount(), 0);
}

TEST_F(PenEditWndTest, FastDragLeavesNoGaps)
{
    QTest::mousePress(wnd.Area(), Qt::LeftButton, Qt::NoModifier, Px(1, 60));
    QTest::mouseMove(wnd.Area(), Px(62, 3));
    QTest::mouseRelease(wnd.Area(), Qt::LeftButton, Qt::NoModifier, Px(62, 3));
    const auto line = CPenEditModel::DigitalLine({1, 60}, {62, 3});
    for (QPoint cell : line)
        EXPECT_TRUE(Ink(cell.x(), cell.y())) << cell.x() << "," << cell.y();
    EXPECT_EQ(InkCount(), static_cast<int>(line.size()));
    EXPECT_FALSE(wnd.Model().HasCapture());
}

TEST_F(PenEditWndTest, LineToolLeavesOnlyTheLastLine)
{
    wnd.Action(ID_PEN_EDIT_LINE)->trigger();
    QTest::mousePress(wnd.Area(), Qt::LeftButton, Qt::NoModifier, Px(32, 32));
    for (QPoint cell : {QPoint(0, 0), QPoint(63, 5), QPoint(10, 63), QPoint(50, 40)})
        QTest::mouseMove(wnd.Area(), Px(cell.x(), cell.y()));
    QTest::mouseRelease(wnd.Area(), Qt::LeftButton, Qt::NoModifier, Px(50, 40));
    EXPECT_EQ(InkCount(), static_cast<int>(CPenEditModel::DigitalLine({32, 32}, {50, 40}).size()));
    EXPECT_TRUE(StampInk(50, 40));
    EXPECT_FALSE(StampInk(0, 0));
}

TEST_F(PenEditWndTest, FillClickBlackensTheBlankTipAndDoesNotCapture)
{
    wnd.Action(ID_PEN_EDIT_FILL)->trigger();
    Click(Qt::LeftButton, {20, 20});
    EXPECT_EQ(InkCount(), 64 * 64);
    EXPECT_TRUE(StampInk(63, 63));
    EXPECT_FALSE(wnd.Model().HasCapture());
    wnd.Action(ID_PEN_EDIT_CLEAR)->trigger();
    EXPECT_EQ(InkCount(), 0);
    EXPECT_FALSE(StampInk(63, 63));
}

TEST_F(PenEditWndTest, PaintsPreviewGridCellsAndCentreCross)
{
    Click(Qt::LeftButton, {3, 4});
    const QImage shown = wnd.Area()->grab().toImage();
    const int t = wnd.Model().Cell();
    const QRect grid = wnd.Model().GridRect();
    auto colour = [&shown](int x, int y) { return shown.pixelColor(x, y).rgb() & 0xFFFFFF; };

    EXPECT_EQ(colour(10 + 3, 10 + 4), 0x000000u);  // preview dot
    EXPECT_EQ(colour(10 + 4, 10 + 4), 0xFFFFFFu);
    EXPECT_EQ(colour(9, 40), 0xFF0000u);           // preview frame
    EXPECT_EQ(colour(74, 40), 0xFF0000u);
    const QPoint ink = Px(3, 4);
    EXPECT_EQ(colour(ink.x(), ink.y()), 0x000000u);
    const QPoint paper = Px(4, 4);
    EXPECT_EQ(colour(paper.x(), paper.y()), 0xFFFFFFu);
    EXPECT_EQ(colour(grid.left() + 5 * t, grid.top() + 10 * t + t / 2), 0xC0C0C0u); // grid line
    EXPECT_EQ(colour(grid.left() + 32 * t, grid.top() + 32 * t - t / 2), 0xFF0000u); // cross
}

TEST_F(PenEditWndTest, ClosingHidesAndShowingAgainKeepsToolAndTip)
{
    wnd.Action(ID_PEN_EDIT_ERASER)->trigger();
    Click(Qt::RightButton, {9, 9});
    QPointer<CBmpPenEditWnd> alive(&wnd);
    EXPECT_TRUE(wnd.close());
    QCoreApplication::processEvents();
    ASSERT_TRUE(alive);
    EXPECT_FALSE(wnd.isVisible());
    wnd.ShowEditor();
    EXPECT_TRUE(wnd.isVisible());
    EXPECT_EQ(wnd.Model().PenTool(), CPenEditModel::kToolEraser);
    EXPECT_TRUE(Ink(9, 9));
}

TEST_F(PenEditWndTest, SaveAsksOnlyForAnotherExistingFileAndOpenReports)
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.pen"));
    const QString other = dir.filePath(QStringLiteral("other.pen"));
    QFile(other).open(QIODevice::WriteOnly);

    Click(Qt::LeftButton, {1, 2});
    wnd.savePath = first;
    wnd.Action(ID_PEN_FILE_SAVE)->trigger();
    wnd.Action(ID_PEN_FILE_SAVE)->trigger();
    EXPECT_EQ(wnd.saveInitialPaths, (QStringList {QString(), first}));
    EXPECT_TRUE(box.questions.isEmpty());
    EXPECT_EQ(QFileInfo(first).size(), CPenFile::kFileSize);

    wnd.savePath = other;
    wnd.Action(ID_PEN_FILE_SAVE)->trigger(); // answered No
    EXPECT_EQ(box.questions.size(), 1);
    EXPECT_EQ(QFileInfo(other).size(), 0);

    // opening the saved pen brings back its tip; a bad file changes nothing
    wnd.Action(ID_PEN_EDIT_CLEAR)->trigger();
    wnd.openPath = first;
    wnd.Action(ID_PEN_FILE_OPEN)->trigger();
    EXPECT_TRUE(Ink(1, 2));
    EXPECT_EQ(InkCount(), 1);
    wnd.openPath = other;
    wnd.Action(ID_PEN_FILE_OPEN)->trigger();
    EXPECT_EQ(box.messages, QStringList {QStringLiteral("Quillery用のペンファイルではありません。")});
    EXPECT_TRUE(Ink(1, 2));

    // cancelling either dialog does nothing
    wnd.openPath.clear();
    wnd.savePath.clear();
    wnd.Action(ID_PEN_FILE_OPEN)->trigger();
    wnd.Action(ID_PEN_FILE_SAVE)->trigger();
    EXPECT_EQ(box.messages.size(), 1);
    EXPECT_EQ(box.questions.size(), 1);
}

TEST(PenEditorInFrameTest, UserTipCommandShowsTheEditorWhichEditsTheCanvasTip)
{
    CMainFrame frame;
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    CBmpPenEditWnd* editor = frame.PenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->isVisible());

    frame.View()->OnCommand(ID_TIP_USER);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(&editor->Model().Tip(), &frame.View()->Model().PenTip());

    // A tip of one dot at the centre: a canvas click leaves exactly that dot.
    editor->Action(ID_PEN_EDIT_CLEAR)->trigger();
    QTest::mouseClick(editor->Area(), Qt::LeftButton, Qt::NoModifier, editor->Model().CellRect({32, 31}).center());
    QTest::mouseClick(frame.View(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    const CCanvasBitmap& canvas = frame.View()->Model().Canvas();
    const int h = canvas.Height();
    int ink = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            ink += canvas.IsInk(x, y) ? 1 : 0;
    EXPECT_EQ(ink, 1);
    EXPECT_TRUE(canvas.IsInk(100, h - 1 - 100));

    // Closing hides the editor; choosing the tip again shows it.
    editor->close();
    EXPECT_FALSE(editor->isVisible());
    frame.View()->OnCommand(ID_TIP_USER);
    EXPECT_TRUE(editor->isVisible());
}
