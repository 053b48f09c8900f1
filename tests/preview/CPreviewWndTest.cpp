// The preview window with the stand-in editor: where the copy of the font
// comes from, what an editor without the copy member leaves, how the window
// follows the work, and what it remembers.
#include "preview/CPreviewWnd.h"

#include "FakeGlyphsmith.h"
#include "app/CSettingsStore.h"
#include "fonteditor/CFontEditorSession.h"
#include "support/FakeMessageBox.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kIpaGothic = QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf");

class PreviewWndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_system.state.strCopySource = kIpaGothic;
        m_system.state.strFilePath = m_dir.filePath(QStringLiteral("hand.ttf"));
    }

    // Connected to a running editor with a font open, as after an Execute.
    void Connect()
    {
        m_system.StartByHand()->activeFont = std::make_shared<FakeEditorFont>(m_system.state);
        ASSERT_TRUE(m_session.EnsureEditor());
    }

    std::unique_ptr<CPreviewWnd> MakeWindow()
    {
        return std::make_unique<CPreviewWnd>(CPreviewWnd::Services { m_session, m_system, m_field,
            [this] { return m_bBusy; }, [] { return QStringLiteral("IPAGothic"); }, &m_store });
    }

    // Shows the window, which refreshes itself, and waits for the picture
    // (or the message in its place).
    static bool ShowAndWait(CPreviewWnd& window)
    {
        QSignalSpy shown(&window, &CPreviewWnd::PictureShown);
        window.show();
        return !shown.isEmpty() || shown.wait(10'000);
    }

    QTemporaryDir m_dir;
    CSettingsStore m_store { m_dir.filePath(QStringLiteral("settings.ini")) };
    FakeAutomationSystem m_system;
    FakeMessageBox m_messages;
    FakeFontFileField m_field;
    CFontEditorSession m_session { m_system, m_messages, m_field };
    bool m_bBusy = false;
};

// The editor writes the copy into a folder of the run's own; the font keeps
// its file, and the picture is drawn from the copy.
TEST_F(PreviewWndTest, PictureComesFromTheEditorsCopyInAPrivateFolder)
{
    Connect();
    auto window = MakeWindow();
    ASSERT_TRUE(ShowAndWait(*window));
    EXPECT_FALSE(window->Picture().isNull());
    EXPECT_TRUE(window->StatusText().isEmpty()) << window->StatusText().toStdString();
    const QString call = m_system.state.log.filter(QStringLiteral("Font.103(")).value(0);
    ASSERT_FALSE(call.isEmpty()) << m_system.state.log.join(' ').toStdString();
    const QFileInfo copy(call.section('(', 1).chopped(1));
    EXPECT_NE(copy.absolutePath(), m_dir.path());
    EXPECT_EQ(QFile::permissions(copy.absolutePath()) & (QFile::ReadOther | QFile::ReadGroup), 0);
    EXPECT_EQ(m_system.state.strFilePath, m_dir.filePath(QStringLiteral("hand.ttf")));
    EXPECT_TRUE(m_messages.messages.isEmpty());

    const QString png = m_dir.filePath(QStringLiteral("preview.png"));
    ASSERT_TRUE(window->SavePicture(png));
    EXPECT_EQ(QImage(png, "PNG").size(), window->Picture().size());
}

// An editor without the copy member: one line in the window, no message box,
// and the connection stays for the work.
TEST_F(PreviewWndTest, EditorWithoutCopySaysSoInOneLine)
{
    m_system.state.lacking = {CGlyphsmithTypeface::DISPID_SaveCopy};
    Connect();
    auto window = MakeWindow();
    ASSERT_TRUE(ShowAndWait(*window));
    EXPECT_TRUE(window->Picture().isNull());
    EXPECT_TRUE(window->StatusText().contains(QStringLiteral("複製"))) << window->StatusText().toStdString();
    EXPECT_FALSE(window->StatusText().contains('\n'));
    EXPECT_TRUE(m_messages.messages.isEmpty());
    EXPECT_TRUE(m_session.EditorApp()->IsConnected());
    // Asked once; later refreshes know the answer.
    QSignalSpy shown(window.get(), &CPreviewWnd::PictureShown);
    window->Refresh();
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_EQ(m_system.state.log.filter(QStringLiteral("Font.103(")).size(), 1);
}

// After a glyph goes in the window waits for the pause, holds while a batch
// run goes on, and then asks for one copy.
TEST_F(PreviewWndTest, FollowsTheWorkAfterAPauseAndNotDuringABatchRun)
{
    Connect();
    auto window = MakeWindow();
    ASSERT_TRUE(ShowAndWait(*window));
    m_session.AddFontChangedListener([&window] { window->FontChanged(); });
    const QString bmp = m_dir.filePath(QStringLiteral("glyph.bmp"));
    QFile(bmp).open(QIODevice::WriteOnly);
    ASSERT_TRUE(m_session.WriteGlyph(bmp, 0x82A0, false));
    EXPECT_TRUE(window->Scheduler().IsWaiting());
    const int copies = m_system.state.log.filter(QStringLiteral("Font.103(")).size();

    m_bBusy = true;
    window->Scheduler().OnPause();
    EXPECT_TRUE(window->Scheduler().IsWaiting());
    EXPECT_EQ(m_system.state.log.filter(QStringLiteral("Font.103(")).size(), copies);

    m_bBusy = false;
    QSignalSpy shown(window.get(), &CPreviewWnd::PictureShown);
    window->Scheduler().OnPause();
    EXPECT_FALSE(window->Scheduler().IsWaiting());
    ASSERT_TRUE(shown.wait(10'000));
    EXPECT_EQ(m_system.state.log.filter(QStringLiteral("Font.103(")).size(), copies + 1);
}

// Without an editor the font is the file the field names; the text, sizes and
// the sample-face choice come back in a new window from the preview's group.
TEST_F(PreviewWndTest, RemembersItsTextAndShowsTheFieldsFileWithoutAnEditor)
{
    m_field.text = kIpaGothic;
    {
        auto window = MakeWindow();
        EXPECT_TRUE(window->TextEdit()->toPlainText().startsWith(QStringLiteral("いろはにほへと")));
        ASSERT_TRUE(ShowAndWait(*window));
        EXPECT_FALSE(window->Picture().isNull());
        window->TextEdit()->setPlainText(QStringLiteral("永"));
        window->SizeBox(72)->setChecked(true);
        window->SampleFaceBox()->setChecked(true);
        window->hide();
    }
    EXPECT_TRUE(m_system.log.isEmpty()); // the editor was never started
    auto again = MakeWindow();
    EXPECT_EQ(again->TextEdit()->toPlainText(), QStringLiteral("永"));
    EXPECT_TRUE(again->Settings().m_sizes.contains(72));
    EXPECT_TRUE(again->SampleFaceBox()->isChecked());
    QString stored;
    EXPECT_TRUE(m_store.ReadRegString(QStringLiteral("Preview"), QStringLiteral("Text"), stored));
    EXPECT_FALSE(m_store.ReadRegString(QStringLiteral("Settings"), QStringLiteral("Text"), stored));
}

} // namespace
