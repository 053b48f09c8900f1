#include "app/CDialogBar.h"
#include "app/CMainFrame.h"
#include "app/CMainToolBar.h"
#include "app/CQtMessageBox.h"
#include "app/CSettingsStore.h"
#include "app/CWindowKeeper.h"
#include "app/CWindowPlacement.h"
#include "app/QtTranslations.h"
#include "pen/CBmpPenEditWnd.h"
#include "canvas/CQuilleryView.h"
#include "res/CommandIds.h"
#include "support/MessageBoxAnswerer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace cmd;

namespace {

// The ids of a toolbar's entries in order, 0 for a separator and the face
// list's id for the list.
std::vector<int> Entries(QToolBar* bar)
{
    std::vector<int> ids;
    for (QAction* action : bar->actions()) {
        if (action->isSeparator())
            ids.push_back(0);
        else if (auto* widget = bar->widgetForAction(action); widget && qobject_cast<QComboBox*>(widget))
            ids.push_back(ID_FACE_LIST);
        else
            ids.push_back(action->objectName().toInt());
    }
    return ids;
}

QStringList MenuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

// Types text one character at a time, as an input method delivers it.
void Type(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

class MainFrameTest : public ::testing::Test
{
protected:
    MainFrameTest() { frame.show(); }
    CMainFrame frame;
};

} // namespace

TEST_F(MainFrameTest, TitleIsTheProductNameAlone)
{
    EXPECT_EQ(frame.windowTitle(), "Quillery");
    EXPECT_FALSE(frame.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
}

TEST_F(MainFrameTest, ToolbarsHoldTheirButtonsInOrder)
{
    EXPECT_EQ(Entries(frame.StandardToolBar()),
              (std::vector<int>{ID_EDIT_UNDO, ID_EDIT_REDO, 0, ID_EXECUTE, 0, ID_PREV_CHAR, ID_NEXT_CHAR,
                                ID_NEXT_MISSING, 0, ID_FACE_LIST, ID_VIEW_SAMPLE, ID_VIEW_GRID, ID_VIEW_CHAR_TABLE, 0, ID_CONTEXT_HELP}));
    EXPECT_EQ(Entries(frame.DrawBar()), (std::vector<int>{ID_TOOL_PEN, ID_TOOL_ERASER, 0, ID_TIP_10, ID_TIP_20,
                                                          ID_TIP_30, ID_TIP_40, 0, ID_TIP_USER}));
    EXPECT_EQ(frame.toolBarArea(frame.DrawBar()), Qt::LeftToolBarArea);
    EXPECT_EQ(frame.toolBarArea(frame.StandardToolBar()), Qt::TopToolBarArea);
    EXPECT_EQ(frame.StandardToolBar()->windowTitle(), "標準");
    EXPECT_EQ(frame.DrawBar()->windowTitle(), "描画");
    EXPECT_EQ(frame.StandardToolBar()->iconSize(), QSize(16, 15));
    EXPECT_EQ(frame.DrawBar()->widgetForAction(frame.Action(ID_TOOL_PEN))->size(), QSize(36, 36));
}

// Every menu of the window, the menu bar itself and submenus included, whoever
// added the items: no two items share a mnemonic, and an item that shows a
// letter in parentheses answers to that letter.
TEST_F(MainFrameTest, EveryMenuHasUniqueMnemonics)
{
    const auto mnemonicOf = [](const QString& text) -> QChar {
        for (qsizetype i = text.indexOf(QLatin1Char('&')); i >= 0 && i + 1 < text.size();
             i = text.indexOf(QLatin1Char('&'), i + 2))
            if (text[i + 1] != QLatin1Char('&'))
                return text[i + 1].toUpper();
        return {};
    };
    std::vector<std::pair<QString, QList<QAction*>>> menus = {{"menu bar", frame.menuBar()->actions()}};
    for (size_t m = 0; m < menus.size(); ++m) {
        QHash<QChar, QString> taken;
        for (QAction* action : menus[m].second) {
            if (action->isSeparator())
                continue;
            const QString text = action->text().section(QLatin1Char('\t'), 0, 0);
            const QChar key = mnemonicOf(text);
            if (const qsizetype open = text.lastIndexOf(QLatin1Char('(')); open >= 0 && open + 2 < text.size()
                && text[open + 2] == QLatin1Char(')')) {
                EXPECT_EQ(key, text[open + 1].toUpper()) << qPrintable(text);
            }
            if (!key.isNull()) {
                EXPECT_FALSE(taken.contains(key)) << qPrintable(menus[m].first) << ": " << qPrintable(text)
                                                  << " and " << qPrintable(taken.value(key));
                taken.insert(key, text);
            }
            if (action->menu())
                menus.emplace_back(action->text(), action->menu()->actions());
        }
    }
    EXPECT_GT(menus.size(), 4u);
}

TEST_F(MainFrameTest, MenusReadAsTheTableGivesThem)
{
    const auto menus = frame.menuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(menus[0]->text(), "ファイル(&F)");
    EXPECT_EQ(MenuTexts(menus[0]->menu()), QStringList({"ストロークデータから自動作成(&A)...", "フォントに名前を付けて保存(&S)...", "フォント情報(&N)...", "フォントをインストール(&I)", "-", "終了(&X)"}));
    EXPECT_EQ(MenuTexts(menus[1]->menu()),
              QStringList({"元に戻す(&U)", "やり直し(&R)", "-", "すべてクリア(&C)", "実行(&D)", "-", "オプション(&O)..."}));
    EXPECT_EQ(MenuTexts(menus[2]->menu()),
              QStringList({"前の文字(&V)", "次の文字(&X)", "次の未作成文字(&M)", "-", "サンプルを表示", "罫線を表示", "-", "文字一覧(&T)", "プレビュー(&P)"}));
    EXPECT_EQ(MenuTexts(menus[3]->menu()),
              QStringList({"目次(&H)", "状況依存のヘルプ(&W)", "-", "バージョン情報(&A)..."}));
    EXPECT_EQ(frame.Action(ID_EXECUTE)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
    EXPECT_EQ(frame.Action(ID_NEXT_CHAR)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    EXPECT_EQ(frame.Action(ID_PREV_CHAR)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    EXPECT_EQ(frame.Action(ID_NEXT_MISSING)->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageDown));
    EXPECT_EQ(frame.Action(ID_CONTEXT_HELP)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F1));
    EXPECT_EQ(frame.Action(ID_HELP)->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(frame.Action(ID_VIEW_PREVIEW)->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    EXPECT_EQ(frame.Action(ID_EDIT_UNDO)->statusTip(), "直前に行った動作を元に戻す");
    EXPECT_EQ(frame.Action(ID_AUTO_CREATE)->toolTip(), "ｽﾄﾛｰｸﾃﾞｰﾀから自動作成");
}

TEST_F(MainFrameTest, StatusBarHasPromptAndTwoPositionPanes)
{
    EXPECT_EQ(frame.PromptPane()->text(), "ﾍﾙﾌﾟを表示するには [F1] を押してください。");
    auto* x = frame.statusBar()->findChild<QLabel*>(QString::number(ID_INDICATOR_X));
    auto* y = frame.statusBar()->findChild<QLabel*>(QString::number(ID_INDICATOR_Y));
    ASSERT_TRUE(x && y);
    EXPECT_EQ(x->text(), "X");
    EXPECT_EQ(x->width(), 50);
    EXPECT_EQ(y->width(), 50);
}

TEST_F(MainFrameTest, CheckStatesFollowTheModel)
{
    EXPECT_TRUE(frame.Action(ID_TOOL_PEN)->isChecked());
    EXPECT_TRUE(frame.Action(ID_TIP_30)->isChecked());
    frame.Action(ID_TIP_10)->trigger();
    EXPECT_TRUE(frame.Action(ID_TIP_10)->isChecked());
    EXPECT_FALSE(frame.Action(ID_TIP_30)->isChecked());
    frame.View()->Model().SetWriteStrokeFile(true);
    frame.UpdateCommandStates();
    EXPECT_FALSE(frame.Action(ID_TOOL_ERASER)->isEnabled());
    EXPECT_TRUE(frame.Action(ID_APP_EXIT)->isEnabled());
    EXPECT_TRUE(frame.Action(ID_OPTIONS)->isEnabled());
}

TEST_F(MainFrameTest, CharacterFieldRefusesAThirdByte)
{
    QLineEdit* field = frame.DialogBar()->CharEdit();
    QStringList changes;
    QObject::connect(&frame, &CMainFrame::CharTextChanged, [&](const QString& text) { changes << text; });
    Type(field, "ABC");
    EXPECT_EQ(field->text(), "AB");
    field->clear();
    Type(field, QString::fromUtf8("あい"));
    EXPECT_EQ(field->text(), QString::fromUtf8("あ"));
    field->clear();
    Type(field, QString::fromUtf8("é"));
    EXPECT_EQ(field->text(), "");
    EXPECT_TRUE(changes.contains("AB"));

    frame.SetCharText(QString::fromUtf8("う"));
    EXPECT_EQ(frame.GetCharText(), QString::fromUtf8("う"));
    EXPECT_EQ(changes.last(), QString::fromUtf8("う"));
}

TEST_F(MainFrameTest, VerticalBoxIsUncheckedWhenDisabled)
{
    frame.EnableVertical(true);
    frame.SetVerticalCheck(true);
    EXPECT_TRUE(frame.IsVerticalChecked());
    frame.EnableVertical(false);
    EXPECT_FALSE(frame.IsVerticalChecked());
    EXPECT_FALSE(frame.DialogBar()->VerticalBox()->isEnabled());
}

TEST_F(MainFrameTest, FaceListSelectsByPrefixAndReportsTheChoice)
{
    CMainToolBar* bar = frame.StandardToolBar();
    bar->FillFaceNames({"Noto Sans CJK JP", "@IPAGothic", "IPAGothic", "IPAMincho"});
    EXPECT_EQ(bar->FaceCombo()->count(), 3);
    bar->SelectFaceName("ipam");
    EXPECT_EQ(bar->GetSelectedFaceName(), "IPAMincho");
    bar->SelectFaceName("ＭＳ ゴシック");
    EXPECT_EQ(bar->GetSelectedFaceName(), "");

    QString chosen;
    QObject::connect(&frame, &CMainFrame::FaceSelected, [&](const QString& face) { chosen = face; });
    bar->FaceCombo()->setCurrentIndex(2);
    emit bar->FaceCombo()->activated(2);
    EXPECT_EQ(chosen, "Noto Sans CJK JP");

    // A name longer than 31 bytes is cut where the view takes it, so the
    // face drawn now is the one stored for the next start.
    const QString longName = QStringLiteral("Long Face Name For The Sample Outline X");  // 39 bytes
    bar->FillFaceNames({longName});
    bar->FaceCombo()->setCurrentIndex(0);
    emit bar->FaceCombo()->activated(0);
    EXPECT_EQ(frame.View()->Settings().m_strFaceName, longName.left(31));
}

TEST_F(MainFrameTest, FontFileFieldIsKeptAtClose)
{
    frame.SetFontFilePathText("/home/u/mine.ttf");
    frame.close();
    EXPECT_EQ(frame.FontFilePathAtClose(), "/home/u/mine.ttf");
}

TEST_F(MainFrameTest, TypingACharacterStartsAFreshCanvasForIt)
{
    CQuilleryView* view = frame.View();
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    ASSERT_GT(view->Model().Canvas().CountInk(), 0);

    // The drawing never went into the font: No keeps it and its character.
    MessageBoxAnswerer answerer({QMessageBox::No});
    Type(frame.DialogBar()->CharEdit(), QString::fromUtf8("い"));
    EXPECT_EQ(answerer.texts, QStringList{QString::fromUtf8("実行していない文字があります。破棄してよろしいですか？")});
    EXPECT_EQ(frame.GetCharText(), view->Settings().m_strChar);
    EXPECT_GT(view->Model().Canvas().CountInk(), 0);

    answerer.Answer({QMessageBox::Yes});
    frame.DialogBar()->CharEdit()->clear();
    Type(frame.DialogBar()->CharEdit(), QString::fromUtf8("ー"));
    EXPECT_EQ(view->Settings().m_strChar, QString::fromUtf8("ー"));
    EXPECT_EQ(view->Model().Canvas().CountInk(), 0);
    EXPECT_FALSE(frame.Action(ID_EDIT_UNDO)->isEnabled());
    EXPECT_TRUE(frame.DialogBar()->VerticalBox()->isEnabled());  // ー has a vertical form

    frame.DialogBar()->CharEdit()->clear();
    Type(frame.DialogBar()->CharEdit(), QString::fromUtf8("あ"));
    EXPECT_FALSE(frame.DialogBar()->VerticalBox()->isEnabled());
    EXPECT_TRUE(frame.Action(ID_EXECUTE)->isEnabled());
    EXPECT_TRUE(frame.Action(ID_NEXT_CHAR)->isEnabled());
}

// A tool window opens inside the screen's work area, comes back where the
// user put it, and one remembered on a screen that is gone comes back on the
// screen there is.
TEST(MainFrameWindows, ToolWindowsOpenOnTheScreenAndComeBackWhereTheyWerePut)
{
    QTemporaryDir dir;
    const CSettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const auto penEditorAt = [&](const std::function<void(CMainFrame&)>& before) {
        CMainFrame frame;
        frame.AttachSettings(&store);
        frame.show();
        if (before)
            before(frame);
        frame.PenEditor()->ShowEditor();
        const QRect place = frame.WindowKeeper().OuterFrame(frame.PenEditor());
        EXPECT_TRUE(work.contains(place)) << place.x() << ' ' << place.y();
        return place;
    };
    penEditorAt([](CMainFrame& frame) {
        frame.PenEditor()->ShowEditor();
        frame.PenEditor()->move(150, 60);
        frame.PenEditor()->close();
    });
    EXPECT_EQ(penEditorAt(nullptr).topLeft(), QPoint(150, 60));
    CWindowPlacement::Remember(store, QStringLiteral("PenEditor"), QRect(3000, 2000, 610, 510));
    penEditorAt(nullptr);
}

// Told to end, the window dismisses the question it waits on, closes without
// asking and keeps later messages off the screen.
TEST(MainFrameWindows, EndOnSignalDismissesDialogsAndCloses)
{
    CMainFrame frame;
    frame.show();
    QTimer::singleShot(0, &frame, [&frame] { frame.EndOnSignal(); });
    EXPECT_FALSE(frame.Messages().AskYesNo(QStringLiteral("続けますか？")));
    QTRY_VERIFY(!frame.isVisible());
    EXPECT_TRUE(CQtMessageBox::IsUnattended());
    frame.Messages().ShowMessage(QStringLiteral("画面には出ません"));
    EXPECT_FALSE(frame.Messages().AskAction(QStringLiteral("この場所には保存できません。"), QStringLiteral("別の場所に保存")));
    CQtMessageBox::SetUnattended(false);
}

// Qt's standard buttons speak Japanese once its translations are in; a
// machine without them would show English buttons in every message box.
TEST(QtTranslations, StandardButtonsAreJapanese)
{
    ASSERT_TRUE(InstallJapaneseQtTranslations());
    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Yes);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("キャンセル"));
    EXPECT_TRUE(buttons.button(QDialogButtonBox::Yes)->text().startsWith(QString::fromUtf8("はい")));
}
