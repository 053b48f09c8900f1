#include "app/CHelpWindow.h"

#include <QTextDocument>

#include <gtest/gtest.h>

TEST(HelpWindow, ShowsTheContentsPageAndFollowsItsLinks)
{
    CHelpWindow window;
    ASSERT_TRUE(window.Open(QStringLiteral(QUILLERY_HELP_FILE)));
    EXPECT_TRUE(window.toPlainText().contains(QString::fromUtf8("目次")));
    window.setSource(QUrl("chm:/penedit.html"));
    EXPECT_TRUE(window.toPlainText().contains(QString::fromUtf8("ユーザ定義ペンの編集")));
    EXPECT_FALSE(window.Open("/nonexistent/quillery.CHM"));
}
