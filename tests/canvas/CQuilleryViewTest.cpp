#include "app/CMainFrame.h"
#include "canvas/CQuilleryView.h"
#include "res/CommandIds.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QTabletEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace cmd;

namespace {

class QuilleryViewTest : public ::testing::Test
{
protected:
    QuilleryViewTest()
    {
        frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
    }

    CQuilleryView* View() { return frame.View(); }
    CDrawingModel& Model() { return frame.View()->Model(); }

    CMainFrame frame;
};

QTabletEvent Tablet(QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    return QTabletEvent(type, QPointingDevice::primaryPointingDevice(), pos, pos, 0.5, 0, 0, 0, 0, 0,
                        Qt::NoModifier, button, buttons);
}

} // namespace

TEST_F(QuilleryViewTest, DragDrawsRecordsAndBecomesOneUndoStep)
{
    const int h = Model().Canvas().Height();
    QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 100));
    QTest::mouseMove(View(), QPoint(150, 100));
    QTest::mouseMove(View(), QPoint(150, 200));
    QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 200));

    const CCanvasBitmap& canvas = Model().Canvas();
    EXPECT_TRUE(canvas.IsInk(100, h - 1 - 100));
    EXPECT_TRUE(canvas.IsInk(150, h - 1 - 150));
    EXPECT_FALSE(canvas.IsInk(100, h - 1 - 150));
    ASSERT_EQ(Model().Strokes().size(), 1u);
    EXPECT_EQ(Model().Strokes()[0], CPointArray2({{50, 100}, {150, 100}, {150, 200}}));
    EXPECT_EQ(Model().History().Count(), 2);
    EXPECT_TRUE(frame.Action(ID_EDIT_UNDO)->isEnabled());
    EXPECT_FALSE(frame.Action(ID_EDIT_REDO)->isEnabled());
    EXPECT_TRUE(frame.Action(ID_CLEAR_ALL)->isEnabled());

    // the painted view shows the ink where the canvas has it
    const QImage shown = View()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(100, 100), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(100, 150), QColor(Qt::white));

    frame.Action(ID_EDIT_UNDO)->trigger();
    EXPECT_EQ(canvas.CountInk(), 0);
    EXPECT_TRUE(Model().Strokes().empty());
    EXPECT_FALSE(frame.Action(ID_EDIT_UNDO)->isEnabled());
    EXPECT_TRUE(frame.Action(ID_EDIT_REDO)->isEnabled());
    frame.Action(ID_EDIT_REDO)->trigger();
    EXPECT_EQ(Model().Strokes().size(), 1u);
}

TEST_F(QuilleryViewTest, EditCommandsHaveTheirShortcuts)
{
    EXPECT_TRUE(frame.Action(ID_EDIT_UNDO)->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Z)));
    EXPECT_TRUE(frame.Action(ID_EDIT_UNDO)->shortcuts().contains(QKeySequence(Qt::ALT | Qt::Key_Backspace)));
    EXPECT_EQ(frame.Action(ID_EDIT_REDO)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Y));
    EXPECT_EQ(frame.Action(ID_CLEAR_ALL)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));

    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    QTest::mouseClick(View(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    QTest::keyClick(&frame, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(Model().Canvas().CountInk(), 0);
    QTest::keyClick(&frame, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_GT(Model().Canvas().CountInk(), 0);
    QTest::keyClick(&frame, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Model().Canvas().CountInk(), 0);
}

TEST_F(QuilleryViewTest, ReleaseAfterTheGrabWentElsewhereIsIgnored)
{
    QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QTest::mouseMove(View(), QPoint(90, 50));
    QWidget other;
    other.show();
    other.grabMouse();
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(90, 50), View()->mapToGlobal(QPointF(90, 50)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(View(), &release);
    other.releaseMouse();

    EXPECT_GT(Model().Canvas().CountInk(), 0);
    EXPECT_TRUE(Model().Strokes().empty());
    EXPECT_EQ(Model().History().Count(), 1);
    EXPECT_FALSE(Model().HasCapture());
}

TEST_F(QuilleryViewTest, TabletPenDrawsLikeAMouseDrag)
{
    auto press = Tablet(QEvent::TabletPress, {40, 40}, Qt::LeftButton, Qt::LeftButton);
    auto move = Tablet(QEvent::TabletMove, {80, 40}, Qt::NoButton, Qt::LeftButton);
    auto release = Tablet(QEvent::TabletRelease, {80, 40}, Qt::LeftButton, Qt::NoButton);
    for (QTabletEvent* e : {&press, &move, &release})
        QApplication::sendEvent(View(), e);

    const int h = Model().Canvas().Height();
    EXPECT_TRUE(press.isAccepted());
    EXPECT_TRUE(Model().Canvas().IsInk(60, h - 1 - 40));
    ASSERT_EQ(Model().Strokes().size(), 1u);
    EXPECT_EQ(Model().Strokes()[0], CPointArray2({{40, 40}, {80, 40}}));
    EXPECT_EQ(Model().History().Count(), 2);
}

TEST_F(QuilleryViewTest, HoverShowsThePositionAndToolButtonsFollowTheModel)
{
    const int h = Model().Canvas().Height();
    QTest::mouseMove(View(), QPoint(12, h - 1));
    const auto panes = frame.statusBar()->findChildren<QLabel*>();
    QStringList texts;
    for (const QLabel* pane : panes)
        texts << pane->text();
    EXPECT_TRUE(texts.contains("X=12"));
    EXPECT_TRUE(texts.contains("Y=0"));

    frame.Action(ID_TIP_40)->trigger();
    EXPECT_TRUE(frame.Action(ID_TIP_40)->isChecked());
    EXPECT_FALSE(frame.Action(ID_TIP_30)->isChecked());
    EXPECT_EQ(Model().RoundTip().Diameter(), 40);
    frame.Action(ID_TOOL_ERASER)->trigger();
    EXPECT_TRUE(frame.Action(ID_TOOL_ERASER)->isChecked());
    EXPECT_FALSE(frame.Action(ID_TOOL_PEN)->isChecked());
    EXPECT_EQ(View()->cursor().hotSpot(), QPoint(16, 16));
    frame.Action(ID_TIP_USER)->trigger();
    EXPECT_EQ(View()->cursor().hotSpot(), QPoint(10, 19));
}
