#include "autocreate/CProgressDlg.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class CancelCounter : public QObject
{
public:
    bool event(QEvent* e) override
    {
        if (e->type() == CProgressDlg::kCancelEvent) {
            ++cancels;
            return true;
        }
        return QObject::event(e);
    }
    int cancels = 0;
};

} // namespace

TEST(ProgressDlg, CancelEscAndCloseBoxPostTheNotificationAndKeepTheDialog)
{
    CancelCounter view;
    CProgressDlg dialog(&view);
    dialog.Open();
    EXPECT_EQ(dialog.windowTitle(), "処理中");
    EXPECT_FALSE(dialog.isModal());

    dialog.findChild<QPushButton*>()->click();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCloseEvent close;
    QApplication::sendEvent(&dialog, &close);
    EXPECT_EQ(view.cancels, 0);  // posted, not sent
    QCoreApplication::processEvents();
    EXPECT_EQ(view.cancels, 3);
    EXPECT_TRUE(dialog.isVisible());

    dialog.Close();
    EXPECT_FALSE(dialog.isVisible());
}

TEST(ProgressDlg, BarRunsFromZeroToAHundred)
{
    CancelCounter view;
    CProgressDlg dialog(&view);
    dialog.SetPosition(50);
    dialog.Open();
    EXPECT_EQ(dialog.Position(), 0);
    dialog.SetPosition(33);
    EXPECT_EQ(dialog.findChild<QProgressBar*>("1015")->value(), 33);
    EXPECT_EQ(dialog.findChild<QProgressBar*>("1015")->maximum(), 100);
}
