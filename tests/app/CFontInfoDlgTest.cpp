#include "app/CFontInfoDlg.h"

#include <QLabel>
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

// For a new font the dialog asks the family names alone, for the file it
// names, with the same rules; Cancel is an answer the caller sees.
TEST(FontInfoDlgTest, NewFontAsksTheFamilyNamesForItsFile)
{
    int submitted = 0;
    CFontInfoDlg dialog({"Tegaki", "てがき", {}, {}}, [&](const SFontInfo& edited) {
        ++submitted;
        EXPECT_EQ(edited, (SFontInfo {"Tegaki", "てがき", {}, {}}));
        return CFontInfoEditor::SVerdict {false, SFontInfo::FamilyNameJa};
    }, nullptr, QStringLiteral("/fonts/てがき.ttf"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(dialog.Field(SFontInfo::Version), nullptr);
    EXPECT_EQ(dialog.Field(SFontInfo::Copyright), nullptr);
    auto* intro = dialog.findChild<QLabel*>(QStringLiteral("newFontIntro"));
    ASSERT_NE(intro, nullptr);
    EXPECT_TRUE(intro->text().contains(QStringLiteral("/fonts/てがき.ttf")));

    QTest::keyClick(dialog.Field(SFontInfo::FamilyName), Qt::Key_Return);
    EXPECT_EQ(submitted, 1);
    EXPECT_TRUE(dialog.Field(SFontInfo::FamilyNameJa)->hasFocus());
    dialog.reject();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace
