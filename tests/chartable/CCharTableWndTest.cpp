#include "chartable/CCharTableWnd.h"

#include "app/CDialogBar.h"
#include "app/CMainFrame.h"
#include "app/CSettingsStore.h"
#include "canvas/CQuilleryView.h"
#include "app/CQuilleryController.h"
#include "chartable/FakeCharTableSource.h"
#include "res/CommandIds.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class CharTableWndTest : public ::testing::Test
{
protected:
    CharTableWndTest()
    {
        auto owned = std::make_unique<FakeCharTableSource>();
        source = owned.get();
        source->folder = temp.path();
        frame.SetCharTableSource(std::move(owned));
        frame.AttachSettings(&store);
        frame.show();
    }

    void Choose(QComboBox* box, const QString& text)
    {
        box->setCurrentIndex(box->findText(text));
        emit box->activated(box->currentIndex());
    }
    QModelIndex IndexOf(CCharCell cell) const
    {
        return Wnd()->List()->model()->index(Wnd()->Table().RowOf(cell), 0);
    }
    void DoubleClick(CCharCell cell)
    {
        QListView* list = Wnd()->List();
        const QModelIndex index = IndexOf(cell);
        list->scrollTo(index);
        // The view lays its items out and paints them when events are let through.
        QTest::qWait(1);
        // A double-click begins with a click.
        const QPoint at = list->visualRect(index).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    CCharTableWnd* Wnd() const { return frame.CharTable(); }
    QString CurrentChar() const { return frame.View()->Settings().m_strChar; }

    QTemporaryDir temp;
    CSettingsStore store {temp.filePath("settings.ini")};
    FakeCharTableSource* source = nullptr;
    CMainFrame frame;
};

} // namespace

TEST_F(CharTableWndTest, OpensWithCountsAndADoubleClickGoesToTheCharacter)
{
    source->glyphs[CCharCell {0x82A0, false}.Key()] = FakeCharTableSource::kSquare; // あ
    source->glyphs[CCharCell {0x82A2, false}.Key()] = FakeCharTableSource::kSquare; // い
    frame.Action(cmd::ID_VIEW_CHAR_TABLE)->trigger();
    ASSERT_NE(Wnd(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Wnd()));
    EXPECT_EQ(Wnd()->windowTitle(), QStringLiteral("文字一覧"));
    EXPECT_EQ(source->connects, 1);
    Choose(Wnd()->SetChooser(), QStringLiteral("ひらがな"));
    EXPECT_EQ(Wnd()->CountLabel()->text(), QStringLiteral("作成済み 2 / 83"));
    EXPECT_FALSE(Wnd()->StatusLine()->isVisible());

    DoubleClick({0x82A4, false}); // う
    EXPECT_EQ(frame.DialogBar()->CharEdit()->text(), QStringLiteral("う"));
    EXPECT_EQ(CurrentChar(), QStringLiteral("う"));

    // A cell of the vertical set also checks the box; an upright one
    // of the same character unchecks it again.
    Choose(Wnd()->SetChooser(), QStringLiteral("縦書き"));
    DoubleClick({0x82A1, true}); // ぃ
    EXPECT_EQ(CurrentChar(), QStringLiteral("ぃ"));
    EXPECT_TRUE(frame.IsVerticalChecked());
    Choose(Wnd()->SetChooser(), QStringLiteral("ひらがな"));
    Wnd()->List()->setCurrentIndex(IndexOf({0x82A1, false}));
    QTest::keyClick(Wnd()->List(), Qt::Key_Return);
    EXPECT_EQ(CurrentChar(), QStringLiteral("ぃ"));
    EXPECT_FALSE(frame.IsVerticalChecked());

    // Only the cells in view were asked for their outline.
    EXPECT_GT(source->outlineCalls, 0);
    EXPECT_LE(source->outlineCalls, 2 + 112);
}

TEST_F(CharTableWndTest, EditorWithoutTheMembersIsNamedInOneLine)
{
    source->lacking = true;
    frame.ShowCharTable();
    EXPECT_TRUE(Wnd()->StatusLine()->isVisible());
    EXPECT_TRUE(Wnd()->StatusLine()->text().contains(QStringLiteral("機能がない")));
    EXPECT_TRUE(Wnd()->CountLabel()->text().startsWith(QStringLiteral("ストロークファイル")));
    EXPECT_FALSE(Wnd()->FilterChooser()->isEnabled());
}

// Beside the main window on a small screen the table is narrow: its
// choices go on in another row and its counts wrap, and none is cut.
TEST_F(CharTableWndTest, NarrowWindowKeepsEveryControlWhole)
{
    frame.ShowCharTable();
    Choose(Wnd()->SetChooser(), QStringLiteral("常用漢字"));
    constexpr int kNarrow = 420;
    ASSERT_LE(Wnd()->minimumSizeHint().width(), kNarrow);
    Wnd()->resize(kNarrow, 480);
    QCoreApplication::sendPostedEvents();
    Wnd()->layout()->activate();
    ASSERT_EQ(Wnd()->width(), kNarrow);
    for (QWidget* control : Wnd()->findChildren<QWidget*>()) {
        if (!control->isVisible() || control->window() != Wnd() || control == Wnd()->List()->viewport())
            continue;
        const QRect inWindow(control->mapTo(Wnd(), QPoint(0, 0)), control->size());
        EXPECT_TRUE(Wnd()->rect().contains(inWindow)) << control->metaObject()->className();
        EXPECT_GE(control->width(), std::min(control->sizeHint().width(), control->minimumSizeHint().width()))
            << control->metaObject()->className();
    }
}

TEST_F(CharTableWndTest, SizePlaceAndSetAreKeptInTheirOwnGroup)
{
    frame.ShowCharTable();
    Choose(Wnd()->SetChooser(), QStringLiteral("第一水準漢字"));
    Wnd()->resize(780, 500);
    Wnd()->close();
    const QSettings ini(store.FilePath(), QSettings::IniFormat);
    EXPECT_TRUE(ini.childGroups().contains(QStringLiteral("CharTable")));
    EXPECT_FALSE(ini.allKeys().filter(QStringLiteral("Settings/")).join(',').contains(QStringLiteral("Geometry")));

    CMainFrame again;
    again.SetCharTableSource(std::make_unique<FakeCharTableSource>());
    again.AttachSettings(&store);
    again.ShowCharTable();
    EXPECT_EQ(again.CharTable()->size(), QSize(780, 500));
    EXPECT_EQ(again.CharTable()->SetChooser()->currentText(), QStringLiteral("第一水準漢字"));
    EXPECT_EQ(again.CharTable()->Table().Set(), ECharSet::Kanji1);
}

// The sets people learn: a school year from the dictionary with its count
// and weighted share; a set with characters the code page lacks shows them,
// counts them apart, says so and does not let them be chosen; the user's
// text becomes a set with the share of it the font can write, and is kept.
TEST_F(CharTableWndTest, LearningSetsAndTheUsersOwnText)
{
    source->glyphs[CCharCell {0x93FA, false}.Key()] = FakeCharTableSource::kSquare; // 日
    frame.ShowCharTable();
    Choose(Wnd()->SetChooser(), QStringLiteral("教育漢字 第1学年"));
    EXPECT_EQ(Wnd()->List()->model()->rowCount(), 80);
    EXPECT_TRUE(Wnd()->CountLabel()->text().startsWith(QStringLiteral("作成済み 1 / 80　使用頻度で重み付けすると ")))
        << Wnd()->CountLabel()->text().toStdString();
    EXPECT_FALSE(Wnd()->PlanNote()->isVisible());

    Choose(Wnd()->SetChooser(), QStringLiteral("常用漢字"));
    EXPECT_TRUE(Wnd()->CountLabel()->text().startsWith(QStringLiteral("作成済み 1 / 2,132")));
    EXPECT_TRUE(Wnd()->PlanNote()->isVisible());
    EXPECT_TRUE(Wnd()->PlanNote()->text().contains(QStringLiteral("4 文字")));
    const CCharCell scold {0, false, 0x20B9F}; // 𠮟, in the code page only as 叱
    const QModelIndex uncoded = IndexOf(scold);
    ASSERT_TRUE(uncoded.isValid());
    EXPECT_FALSE(uncoded.flags() & Qt::ItemIsSelectable);
    EXPECT_TRUE(uncoded.data(Qt::ToolTipRole).toString().contains(QStringLiteral("「叱」")));
    DoubleClick(scold);
    EXPECT_EQ(CurrentChar(), QStringLiteral("あ"));

    // Both codes of a character: the editor's and the stroke file's.
    Choose(Wnd()->SetChooser(), QStringLiteral("カタカナ"));
    EXPECT_TRUE(IndexOf({0x8348, false}).data(Qt::ToolTipRole).toString().startsWith(QStringLiteral("ォ　0x8348 / U+30A9")));

    Choose(Wnd()->SetChooser(), QStringLiteral("自分の文章"));
    EXPECT_TRUE(Wnd()->PlanNote()->text().contains(QStringLiteral("まだ文章がありません")));
    Wnd()->TakeOwnText(QStringLiteral("謹賀新年\nあけましておめでとう\n日日"));
    EXPECT_EQ(Wnd()->List()->model()->rowCount(), 15);
    EXPECT_EQ(Wnd()->CountLabel()->text(), QStringLiteral("作成済み 1 / 15　この文章の 12% の文字が書けます"));
    Wnd()->close();

    CMainFrame again;
    again.SetCharTableSource(std::make_unique<FakeCharTableSource>());
    again.AttachSettings(&store);
    EXPECT_EQ(again.Controller().Plan().Set(), ECharSet::OwnText);
    EXPECT_EQ(again.Controller().Plan().OwnText().Cells().size(), 15);
}
