#include "app/CWindowPlacement.h"

#include <gtest/gtest.h>

// A window beside the main window never leaves the work area: right of the
// frame when there is room, else left of it, else as far right as it fits.
TEST(WindowPlacement, BesideTheFrameAndInsideTheWorkArea)
{
    const QRect work(0, 30, 1280, 990);
    const QSize help(560, 520);
    EXPECT_EQ(CWindowPlacement::Beside(QRect(100, 100, 600, 700), help, work), QRect(700, 100, 560, 520));
    EXPECT_EQ(CWindowPlacement::Beside(QRect(660, 600, 600, 700), help, work), QRect(100, 500, 560, 520));
    EXPECT_EQ(CWindowPlacement::Beside(QRect(300, 0, 700, 700), help, work), QRect(720, 30, 560, 520));
    EXPECT_EQ(CWindowPlacement::Beside(QRect(0, 0, 100, 100), QSize(2000, 2000), work), work);
}
