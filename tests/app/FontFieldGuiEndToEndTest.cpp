// The main window with the real font editor: the font file field chooses
// the font even after one is open in the editor.

#include "app/CDialogBar.h"
#include "app/CMainFrame.h"
#include "app/CQtMessageBox.h"
#include "app/CQuilleryController.h"
#include "app/CQuilleryDoc.h"
#include "canvas/CQuilleryView.h"
#include "res/CommandIds.h"
#include "support/MessageBoxAnswerer.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/FontCheck.h"

#include <gtest/gtest.h>

namespace {

// Replaces the field's text key by key, as an input method delivers it.
void TypeInto(QLineEdit* field, const QString& text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
    }
}

} // namespace

TEST(FontFieldGuiEndToEndTest, SecondFontNameTypedAfterAnExecuteGetsTheNextGlyph)
{
    QTemporaryDir runtime;
    QTemporaryDir out;
    ASSERT_TRUE(runtime.isValid() && out.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    qputenv("QUILLERY_AUTOMATION_REGISTRY", QUILLERY_BUILD_DIR "/automation.json");

    CMainFrame frame;
    CQuilleryDoc doc(QStringLiteral(QUILLERY_BUILD_DIR), frame.Messages());
    ASSERT_TRUE(doc.LoadTemplate(frame.View()->Settings().m_nBmpSize));
    frame.SetDocument(&doc);
    frame.show();
    CDialogBar* bar = frame.DialogBar();
    CDrawingModel& drawing = frame.View()->Model();
    const auto draw = [&drawing](int x) {
        drawing.OnButtonDown(PointerButton::Left, {x, 100});
        drawing.OnMove({x + 200, 100}, true);
        drawing.OnMove({x + 200, 400}, true);
        drawing.OnButtonUp();
    };
    MessageBoxAnswerer answerer;

    const QString first = out.filePath(QStringLiteral("first.ttf"));
    TypeInto(bar->FontFileEdit(), first);
    TypeInto(bar->CharEdit(), QStringLiteral("あ"));
    draw(60);
    answerer.Answer({QMessageBox::Yes, QMessageBox::Ok});  // create the first font file, with its names
    frame.Action(cmd::ID_EXECUTE)->trigger();
    EXPECT_EQ(frame.PromptPane()->text(), QStringLiteral("「あ」 を %1 に取り込みました。").arg(first));

    const QString second = out.filePath(QStringLiteral("second.ttf"));
    TypeInto(bar->FontFileEdit(), second);
    TypeInto(bar->CharEdit(), QStringLiteral("い"));
    draw(120);
    answerer.Answer({QMessageBox::Yes, QMessageBox::Ok});  // create the second font file
    frame.Action(cmd::ID_EXECUTE)->trigger();
    EXPECT_EQ(frame.PromptPane()->text(), QStringLiteral("「い」 を %1 に取り込みました。").arg(second));
    EXPECT_EQ(answerer.texts.size(), 2) << answerer.texts.join('|').toStdString();
    EXPECT_EQ(answerer.dialogs, QStringList(2, QStringLiteral("newFontNames")));

    // The first font was saved when the second was taken up; the second is
    // saved as the program lets the editor go.
    EXPECT_EQ(frame.Controller().ReleaseAtExit(bar->FontFileEdit()->text()), second);
    const QJsonObject one = CheckFont(first);
    const QJsonObject two = CheckFont(second);
    EXPECT_TRUE(HasOutline(one, 0x3042));
    EXPECT_FALSE(HasOutline(one, 0x3044));
    EXPECT_TRUE(HasOutline(two, 0x3044));
    EXPECT_FALSE(HasOutline(two, 0x3042));
}
