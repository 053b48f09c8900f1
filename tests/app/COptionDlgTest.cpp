#include "app/COptionDlg.h"

#include "support/FakeMessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class OptionDlgTest : public ::testing::Test
{
protected:
    OptionDlgTest()
    {
        dialog.SetValues({512, false, 3, false, "/home/u/ストロークファイル"});
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    template <typename T> T* Control(const char* id) { return dialog.findChild<T*>(QString::fromLatin1(id)); }

    void SetText(const char* id, const QString& text)
    {
        QLineEdit* edit = Control<QLineEdit>(id);
        edit->selectAll();
        edit->del();
        QTest::keyClicks(edit, text);
    }

    FakeMessageBox messages;
    COptionDlg dialog {messages};
};

} // namespace

TEST_F(OptionDlgTest, OpensWithTheValuesAndTheSixSizes)
{
    QComboBox* sizes = Control<QComboBox>("1020");
    ASSERT_EQ(sizes->count(), 6);
    EXPECT_EQ(sizes->itemText(0), "128");
    EXPECT_EQ(sizes->itemText(5), "512");
    EXPECT_EQ(sizes->currentIndex(), 5);
    EXPECT_EQ(Control<QLineEdit>("1014")->text(), "3");
    EXPECT_EQ(Control<QLineEdit>("1017")->text(), "/home/u/ストロークファイル");
    EXPECT_FALSE(Control<QCheckBox>("1009")->isChecked());
    // The next missing character is a way of going on after Execute: it
    // can be chosen only while that is on.
    QCheckBox* nextMissing = Control<QCheckBox>("nextMissing");
    EXPECT_FALSE(nextMissing->isEnabled());
    QTest::mouseClick(Control<QCheckBox>("1009"), Qt::LeftButton);
    ASSERT_TRUE(nextMissing->isEnabled());
    QTest::mouseClick(nextMissing, Qt::LeftButton);
    dialog.accept();
    EXPECT_TRUE(dialog.Values().doAndNext && dialog.Values().nextMissing);
}

TEST_F(OptionDlgTest, SizeOutsideTheListShowsNoSelectionAndIsKept)
{
    dialog.SetValues({300, false, 3, false, ""});
    EXPECT_EQ(Control<QComboBox>("1020")->currentIndex(), -1);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Values().bmpSize, 300);
}

TEST_F(OptionDlgTest, BadGridCountKeepsTheDialogOpenWithFocusOnTheField)
{
    for (const char* text : {"0", "21", ""}) {
        SetText("1014", text);
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible()) << text;
        EXPECT_EQ(QApplication::focusWidget(), Control<QLineEdit>("1014")) << text;
    }
    EXPECT_EQ(messages.messages,
              QStringList({"1 から 20 までの整数を入力してください。", "1 から 20 までの整数を入力してください。",
                           "整数を入力してください。"}));
    SetText("1014", "20");
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.Values().gridSize, 20);
}

TEST_F(OptionDlgTest, StrokeFilesNeedAFolder)
{
    SetText("1017", "");
    Control<QCheckBox>("1016")->setChecked(true);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(messages.messages, QStringList({"ストロークファイルの保存先を指定してください。"}));
    EXPECT_EQ(QApplication::focusWidget(), Control<QLineEdit>("1017"));

    Control<QCheckBox>("1016")->setChecked(false);
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(OptionDlgTest, TooLongFolderIsRefused)
{
    dialog.SetValues({512, false, 3, false, QString(300, 'x')});
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(messages.messages, QStringList({"256 文字以内で入力してください。"}));
}

// An accented letter has no code page 932 form and counts as two bytes; a
// folder within 256 bytes so counted is taken, and typing past it is refused.
TEST_F(OptionDlgTest, AccentedFolderWithinTheLimitIsAcceptedAndTypingStopsThere)
{
    const QString folder = QString::fromUtf8("/home/josé/") + QString(244, 'a');  // 12 + 244 bytes
    dialog.SetValues({512, false, 3, true, folder});
    QLineEdit* edit = Control<QLineEdit>("1017");
    edit->end(false);
    QTest::keyClicks(edit, "bc");
    EXPECT_EQ(edit->text(), folder);
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(messages.messages.isEmpty());
    EXPECT_EQ(dialog.Values().strkFolderPath, folder);
}

TEST_F(OptionDlgTest, ChosenSizeAndBrowsedFolderComeBack)
{
    QString answer = "/tmp/chosen";
    dialog.SetFolderChooser([&](QWidget*) { return answer; });
    Control<QPushButton>("1018")->click();
    EXPECT_EQ(Control<QLineEdit>("1017")->text(), "/tmp/chosen");
    answer.clear();  // cancelled
    Control<QPushButton>("1018")->click();
    EXPECT_EQ(Control<QLineEdit>("1017")->text(), "/tmp/chosen");

    Control<QComboBox>("1020")->setCurrentIndex(3);
    Control<QCheckBox>("1009")->setChecked(true);
    dialog.accept();
    const COptionValues values = dialog.Values();
    EXPECT_EQ(values.bmpSize, 256);
    EXPECT_TRUE(values.doAndNext);
    EXPECT_EQ(values.strkFolderPath, "/tmp/chosen");
}

TEST_F(OptionDlgTest, GridFieldTakesDigitsOnly)
{
    SetText("1014", "1a2");
    EXPECT_EQ(Control<QLineEdit>("1014")->text(), "12");
}
