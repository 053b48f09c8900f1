#include "app/CWindowPlacement.h"

#include <gtest/gtest.h>

// A window beside the main window never leaves the work area: right of the
// frame when there is room, else left of it, else at the edge of the wider
// side.
TEST(WindowPlacement, BesideTheFrameAndInsideTheWorkArea)
{
    const QRect work(0, 30, 1280, 990);
    const QSize help(560, 520);
    EXPECT_EQ(CWindowPlacement::Beside(QRect(100, 100, 600, 700), help, work), QRect(700, 100, 560, 520));
    EXPECT_EQ(CWindowPlacement::Beside(QRect(660, 600, 600, 700), help, work), QRect(100, 500, 560, 520));
    EXPECT_EQ(CWindowPlacement::Beside(QRect(300, 0, 700, 700), help, work), QRect(0, 30, 560, 520));
    EXPECT_EQ(CWindowPlacement::Beside(QRect(0, 0, 100, 100), QSize(2000, 2000), work), work);
    // Room for neither side: a window that may be narrower takes the wider
    // side rather than cover the frame; one that may not goes to the edge.
    EXPECT_EQ(CWindowPlacement::Beside(QRect(40, 60, 620, 650), QSize(720, 560), work, QSize(400, 300)),
              QRect(660, 60, 620, 560));
    EXPECT_EQ(CWindowPlacement::Beside(QRect(40, 60, 620, 650), QSize(720, 560), work, QSize(700, 300)),
              QRect(560, 60, 720, 560));
}

// A remembered window comes back on the screen it mostly lay on, pulled
// inside that screen's work area; one whose screen is gone, or whose stored
// place is not a place, is placed afresh.
TEST(WindowPlacement, RememberedPlacesComeBackOnAScreen)
{
    const QList<QRect> screens {QRect(0, 0, 1280, 994), QRect(1280, 0, 1920, 1050)};
    EXPECT_EQ(CWindowPlacement::OnScreens(QRect(1500, 100, 610, 510), screens), QRect(1500, 100, 610, 510));
    // Mostly on the second screen, partly below its work area.
    EXPECT_EQ(CWindowPlacement::OnScreens(QRect(1200, 800, 720, 560), screens), QRect(1280, 490, 720, 560));
    EXPECT_EQ(CWindowPlacement::OnScreens(QRect(3300, 100, 610, 510), screens), std::nullopt);
    EXPECT_EQ(CWindowPlacement::OnScreens(QRect(-900, -700, 610, 510), {QRect(0, 0, 1280, 994)}), std::nullopt);

    EXPECT_EQ(CWindowPlacement::FromText(CWindowPlacement::ToText(QRect(-5, 7, 610, 510))), QRect(-5, 7, 610, 510));
    for (const char* text : {"", "1 2 3", "1 2 3 4 5", "1 2 0 4", "a 2 3 4", "1 2 99999999 4"})
        EXPECT_EQ(CWindowPlacement::FromText(QString::fromLatin1(text)), std::nullopt) << text;
}
