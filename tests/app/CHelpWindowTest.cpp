#include "app/CHelpWindow.h"

#include <QAction>
#include <QTextDocument>
#include <QToolBar>

#include <gtest/gtest.h>

TEST(HelpWindow, ShowsTheContentsPageAndFollowsItsLinks)
{
    CHelpWindow window;
    ASSERT_TRUE(window.Open(QStringLiteral(QUILLERY_HELP_FILE)));
    EXPECT_TRUE(window.toPlainText().contains(QString::fromUtf8("目次")));
    window.setSource(QUrl("chm:/penedit.html"));
    EXPECT_TRUE(window.toPlainText().contains(QString::fromUtf8("ユーザ定義ペンの編集")));
    QAction* back = window.NavigationBar()->findChild<QAction*>("back");
    QAction* forward = window.NavigationBar()->findChild<QAction*>("forward");
    ASSERT_TRUE(back && forward);
    EXPECT_TRUE(back->isEnabled());
    EXPECT_FALSE(forward->isEnabled());
    back->trigger();
    EXPECT_TRUE(window.toPlainText().contains(QString::fromUtf8("目次")));
    EXPECT_TRUE(forward->isEnabled());
    EXPECT_FALSE(window.Open("/nonexistent/quillery.CHM"));
}
