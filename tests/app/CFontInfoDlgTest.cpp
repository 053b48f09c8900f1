#include "app/CFontInfoDlg.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The dialog holds no rule of its own: it closes only when the rules accept,
// and otherwise goes back to the field they name.
TEST(FontInfoDlgTest, StaysOnTheFieldTheRulesRefuse)
{
    std::vector<SFontInfo> submitted;
    CFontInfoEditor::SVerdict verdict {false, SFontInfo::Version};
    CFontInfoDlg dialog({"Hand", "手書き", "1.003", "(c) me"}, [&](const SFontInfo& edited) {
        submitted.push_back(edited);
        return verdict;
    });
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

    QLineEdit* version = dialog.Field(SFontInfo::Version);
    version->selectAll();
    QTest::keyClicks(version, QStringLiteral("x"));
    QTest::keyClick(dialog.Field(SFontInfo::FamilyName), Qt::Key_Return);
    ASSERT_EQ(submitted.size(), 1u);
    EXPECT_EQ(submitted[0], (SFontInfo {"Hand", "手書き", "x", "(c) me"}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(version->hasFocus());
    EXPECT_EQ(version->selectedText(), QStringLiteral("x"));

    verdict = {};
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
