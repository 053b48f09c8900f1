#include "canvas/CDrawingModel.h"

#include "FakeDrawingHost.h"
#include "res/CommandIds.h"

#include <gtest/gtest.h>

using namespace cmd;

namespace {

class DrawingModelTest : public ::testing::Test
{
protected:
    DrawingModelTest() { model.SetHost(&host); }

    void Drag(std::initializer_list<QPoint> points, PointerButton button = PointerButton::Left)
    {
        auto it = points.begin();
        model.OnButtonDown(button, *it);
        for (++it; it != points.end(); ++it)
            model.OnMove(*it, button == PointerButton::Left);
        model.OnButtonUp();
    }

    CPointArray2 Stroke(std::initializer_list<QPoint> points) { return CPointArray2(points); }

    FakeDrawingHost host;
    CDrawingModel model {128, 0};  // 10-dot round tip
};

} // namespace

TEST_F(DrawingModelTest, StartsBlankWithNothingToUndoRedoOrClear)
{
    EXPECT_EQ(model.Canvas().CountInk(), 0);
    EXPECT_FALSE(model.UpdateCommand(ID_EDIT_UNDO).enabled);
    EXPECT_FALSE(model.UpdateCommand(ID_EDIT_REDO).enabled);
    EXPECT_FALSE(model.UpdateCommand(ID_CLEAR_ALL).enabled);
    EXPECT_EQ(model.History().Count(), 1);
}

TEST_F(DrawingModelTest, LeftClickDrawsOneImprintRecordsOnePointAndOneStep)
{
    Drag({{20, 30}});
    const CCanvasBitmap& canvas = model.Canvas();
    EXPECT_TRUE(canvas.IsInk(20, 127 - 30));
    EXPECT_TRUE(canvas.IsInk(25, 127 - 30));
    EXPECT_FALSE(canvas.IsInk(26, 127 - 30));
    EXPECT_EQ(model.Strokes().size(), 1u);
    EXPECT_EQ(model.Strokes()[0], Stroke({{20, 30}}));
    EXPECT_EQ(model.History().Count(), 2);
    EXPECT_TRUE(model.UpdateCommand(ID_EDIT_UNDO).enabled);
    EXPECT_TRUE(model.UpdateCommand(ID_CLEAR_ALL).enabled);
    EXPECT_TRUE(model.CurrentStroke().empty());
}

TEST_F(DrawingModelTest, RightClickUsesTheOppositeToolAndRecordsNothing)
{
    model.OnCommand(ID_TOOL_ERASER);
    Drag({{64, 64}}, PointerButton::Right);
    EXPECT_TRUE(model.Canvas().IsInk(64, 63));
    EXPECT_TRUE(model.Strokes().empty());
    EXPECT_EQ(model.History().Count(), 2);

    model.OnCommand(ID_TOOL_PEN);
    Drag({{64, 64}}, PointerButton::Right);
    EXPECT_EQ(model.Canvas().CountInk(), 0);
    EXPECT_EQ(model.History().Count(), 3);
}

TEST_F(DrawingModelTest, RightDragMovesAreRecordedAsAStroke)
{
    Drag({{10, 10}, {20, 10}, {30, 10}}, PointerButton::Right);
    EXPECT_EQ(model.Strokes().size(), 1u);
    EXPECT_EQ(model.Strokes()[0], Stroke({{20, 10}, {30, 10}}));
}

TEST_F(DrawingModelTest, RecordingSkipsRepeatsAndSplitsBigJumps)
{
    model.OnButtonDown(PointerButton::Left, {0, 0});
    model.OnMove({0, 0}, true);
    model.OnMove({5, 5}, true);
    model.OnMove({5, 5}, true);
    model.OnMove({205, 5}, true);    // 200 in x: midpoint first
    model.OnMove({332, 5}, true);    // 127: no midpoint
    model.OnMove({332, 133}, true);  // 128 in y: midpoint
    model.OnMove({-3, -7}, true);    // outside the canvas, negative
    model.OnButtonUp();
    ASSERT_EQ(model.Strokes().size(), 1u);
    EXPECT_EQ(model.Strokes()[0], Stroke({{0, 0}, {5, 5}, {105, 5}, {205, 5}, {332, 5}, {332, 69}, {332, 133},
                                          {164, 63}, {-3, -7}}));
}

TEST_F(DrawingModelTest, MovesOutsideTheCanvasKeepDrawingClipped)
{
    Drag({{120, 60}, {200, 60}, {200, -50}});
    EXPECT_TRUE(model.Canvas().IsInk(127, 127 - 60));
    EXPECT_EQ(model.Strokes()[0].back(), QPoint(200, -50));
}

TEST_F(DrawingModelTest, StrokeFileWritingDisablesRightButtonAndEraser)
{
    model.SetWriteStrokeFile(true);
    EXPECT_FALSE(model.OnButtonDown(PointerButton::Right, {50, 50}));
    EXPECT_FALSE(model.HasCapture());
    model.OnButtonUp();
    EXPECT_EQ(model.History().Count(), 1);

    model.OnCommand(ID_TOOL_ERASER);
    EXPECT_EQ(model.Tool(), CDrawingModel::kToolPen);
    EXPECT_EQ(model.UpdateCommand(ID_TOOL_ERASER), (CommandState {false, false}));

    // turning it on with the eraser chosen keeps the eraser
    model.SetWriteStrokeFile(false);
    model.OnCommand(ID_TOOL_ERASER);
    model.SetWriteStrokeFile(true);
    EXPECT_EQ(model.Tool(), CDrawingModel::kToolEraser);
}

TEST_F(DrawingModelTest, StatusBarShowsCanvasCoordinatesWithYUp)
{
    model.OnMove({0, 127}, false);
    EXPECT_EQ(host.panes[1], "X=0");
    EXPECT_EQ(host.panes[2], "Y=0");
    model.OnMove({7, 0}, false);
    EXPECT_EQ(host.panes[1], "X=7");
    EXPECT_EQ(host.panes[2], "Y=127");
    host.statusBar = false;
    model.OnMove({9, 9}, false);
    EXPECT_EQ(host.panes[1], "X=7");
}

TEST_F(DrawingModelTest, EveryPressAndMoveRepaintsAtOnce)
{
    model.OnButtonDown(PointerButton::Left, {10, 10});
    model.OnMove({11, 10}, true);
    model.OnMove({12, 10}, true);
    EXPECT_EQ(host.repaints, 3);
    model.OnButtonUp();
    model.OnMove({13, 10}, false);
    EXPECT_EQ(host.repaints, 3);
}

TEST_F(DrawingModelTest, LostCaptureIgnoresTheReleaseAndKeepsTheDots)
{
    model.OnButtonDown(PointerButton::Left, {10, 10});
    model.OnMove({40, 10}, true);
    model.OnCaptureLost();
    model.OnButtonUp();
    EXPECT_GT(model.Canvas().CountInk(), 0);
    EXPECT_TRUE(model.Strokes().empty());
    EXPECT_EQ(model.History().Count(), 1);
    EXPECT_EQ(model.CurrentStroke(), Stroke({{10, 10}, {40, 10}}));

    // a right press keeps the leftover points and appends its moves
    Drag({{50, 50}, {60, 50}}, PointerButton::Right);
    EXPECT_EQ(model.Strokes()[0], Stroke({{10, 10}, {40, 10}, {60, 50}}));

    // a left press starts afresh
    model.OnButtonDown(PointerButton::Left, {1, 1});
    model.OnMove({2, 2}, true);
    model.OnCaptureLost();
    Drag({{70, 70}});
    EXPECT_EQ(model.Strokes().back(), Stroke({{70, 70}}));
}

TEST_F(DrawingModelTest, UndoRedoRestoreCanvasAndStrokesTogether)
{
    Drag({{10, 10}, {30, 10}});
    const QByteArray afterFirst = model.Canvas().Bits();
    Drag({{10, 50}, {30, 50}});
    const QByteArray afterSecond = model.Canvas().Bits();
    Drag({{10, 90}, {30, 90}});

    EXPECT_TRUE(model.Undo());
    EXPECT_TRUE(model.Undo());
    EXPECT_EQ(model.Canvas().Bits(), afterFirst);
    EXPECT_EQ(model.Strokes().size(), 1u);
    EXPECT_TRUE(model.UpdateCommand(ID_EDIT_REDO).enabled);

    EXPECT_TRUE(model.Redo());
    EXPECT_EQ(model.Canvas().Bits(), afterSecond);
    EXPECT_EQ(model.Strokes().size(), 2u);

    Drag({{100, 100}});
    EXPECT_FALSE(model.UpdateCommand(ID_EDIT_REDO).enabled);
    EXPECT_FALSE(model.Redo());
    EXPECT_EQ(model.Strokes().size(), 3u);
    EXPECT_EQ(model.Strokes()[2], Stroke({{100, 100}}));
}

TEST_F(DrawingModelTest, ClearAllIsOneUndoableStep)
{
    Drag({{10, 10}, {60, 60}});
    const QByteArray drawn = model.Canvas().Bits();
    model.OnCommand(ID_CLEAR_ALL);
    EXPECT_EQ(model.Canvas().CountInk(), 0);
    EXPECT_TRUE(model.Strokes().empty());
    EXPECT_FALSE(model.UpdateCommand(ID_CLEAR_ALL).enabled);

    model.OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(model.Canvas().Bits(), drawn);
    EXPECT_EQ(model.Strokes().size(), 1u);
    model.OnCommand(ID_EDIT_REDO);
    EXPECT_EQ(model.Canvas().CountInk(), 0);
    EXPECT_TRUE(model.Strokes().empty());
}

TEST_F(DrawingModelTest, UndoingToTheBlankCanvasLeavesClearEnabled)
{
    Drag({{10, 10}});
    model.Undo();
    EXPECT_EQ(model.Canvas().CountInk(), 0);
    EXPECT_TRUE(model.UpdateCommand(ID_CLEAR_ALL).enabled);
    EXPECT_FALSE(model.UpdateCommand(ID_EDIT_UNDO).enabled);
}

TEST_F(DrawingModelTest, ResetHistoryStartsOverFromTheCanvasAsItIs)
{
    Drag({{10, 10}});
    Drag({{20, 20}});
    model.ClearCanvas();
    model.ResetHistory();
    EXPECT_EQ(model.History().Count(), 1);
    EXPECT_FALSE(model.UpdateCommand(ID_EDIT_UNDO).enabled);
    EXPECT_FALSE(model.UpdateCommand(ID_CLEAR_ALL).enabled);
}

TEST_F(DrawingModelTest, TipAndToolCommandsAreIndependent)
{
    model.OnCommand(ID_TOOL_ERASER);
    model.OnCommand(ID_TIP_40);
    EXPECT_EQ(model.Tool(), CDrawingModel::kToolEraser);
    EXPECT_EQ(model.RoundTip().Diameter(), 40);
    EXPECT_TRUE(model.UpdateCommand(ID_TIP_40).checked);
    EXPECT_FALSE(model.UpdateCommand(ID_TIP_10).checked);
    EXPECT_TRUE(model.UpdateCommand(ID_TOOL_ERASER).checked);
    EXPECT_EQ(model.CursorId(), cursor::IDC_ERASER_30);

    model.OnCommand(ID_TIP_USER);
    EXPECT_EQ(model.ToolSize(), 4);
    EXPECT_EQ(host.penEditorShown, 1);
    EXPECT_EQ(model.Tool(), CDrawingModel::kToolEraser);
    EXPECT_EQ(model.CursorId(), cursor::IDC_ERASER_USER);
    model.OnCommand(ID_TOOL_PEN);
    EXPECT_EQ(model.CursorId(), cursor::IDC_PEN_USER);
    model.OnCommand(ID_TIP_20);
    EXPECT_EQ(model.RoundTip().Diameter(), 20);
    EXPECT_EQ(model.CursorId(), cursor::IDC_PEN_20);
}

TEST(DrawingModel, StoredTipIndexChoosesTheRoundDiameter)
{
    EXPECT_EQ(CDrawingModel(128, 0).RoundTip().Diameter(), 10);
    EXPECT_EQ(CDrawingModel(128, 1).RoundTip().Diameter(), 20);
    EXPECT_EQ(CDrawingModel(128, 3).RoundTip().Diameter(), 40);
    EXPECT_EQ(CDrawingModel(128, 4).RoundTip().Diameter(), 30);
    const CDrawingModel odd(128, 7);
    EXPECT_EQ(odd.RoundTip().Diameter(), 30);
    EXPECT_EQ(odd.ToolSize(), 7);
}

TEST(DrawingModel, UserTipPressStampsOnce)
{
    CDrawingModel model(256, CDrawingModel::kTipUser);
    model.OnButtonDown(PointerButton::Left, {128, 127});
    model.OnButtonUp();
    EXPECT_EQ(model.Canvas().CountInk(), 48 * 8);
    // the bar spans columns 104..151 and rows 124..131 of the canvas
    EXPECT_TRUE(model.Canvas().IsInk(104, 124));
    EXPECT_TRUE(model.Canvas().IsInk(151, 131));
    EXPECT_FALSE(model.Canvas().IsInk(103, 124));
}
