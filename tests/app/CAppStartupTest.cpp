#include "app/CAppPlatform.h"
#include "app/CMainFrame.h"
#include "app/CMainToolBar.h"
#include "app/CMyApp.h"
#include "app/CSettingsStore.h"
#include "canvas/CQuilleryView.h"
#include "canvas/CSampleFont.h"
#include "support/FakeMessageBox.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class CountingPlatform : public CAppPlatform
{
public:
    void ActivateMainWindow() override
    {
        ++activations;
        CAppPlatform::ActivateMainWindow();
    }
    int activations = 0;
};

class AppStartupTest : public ::testing::Test
{
protected:
    AppStartupTest()
    {
        QDir().mkpath(dir.filePath(QStringLiteral("app/system")));
        for (int side : {448, 512}) {
            QFile file(dir.filePath(QStringLiteral("app/system/%1.bin").arg(side)));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(CDib::BlankOneBitFile(side, side));
        }
    }
    CMyApp::Folders Folders() const
    {
        return {dir.filePath(QStringLiteral("run")), dir.filePath(QStringLiteral("app")), dir.filePath(QStringLiteral("docs"))};
    }
    int Dword(const char* name) const
    {
        int32_t value = -1;
        store.ReadRegDword(QStringLiteral("Settings"), QString::fromLatin1(name), value);
        return value;
    }

    QTemporaryDir dir;
    CSettingsStore store {dir.filePath(QStringLiteral("settings.ini"))};
    FakeMessageBox messages;
};

} // namespace

TEST_F(AppStartupTest, NormalStartShowsABlankCanvasInAWindowFittedToIt)
{
    CountingPlatform platform;
    CMyApp app(store, messages, platform, Folders());
    ASSERT_TRUE(app.InitInstance());
    CMainFrame* frame = platform.Frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Quillery"));
    CQuilleryView* view = frame->View();
    const int side = view->Settings().m_nBmpSize;
    EXPECT_EQ(side, Dword("BmpSize"));
    EXPECT_EQ(view->size(), QSize(512, std::max(side, 282)));
    EXPECT_EQ(view->Model().Canvas().Width(), side);
    EXPECT_EQ(view->Model().Canvas().CountInk(), 0);
    EXPECT_EQ(view->Model().History().Count(), 1);
    EXPECT_EQ(frame->size(), frame->sizeHint());
    EXPECT_EQ(Dword("FirstOperation"), 1);
    EXPECT_EQ(Dword("ToolSize"), -1);
    // The default face is not installed here; the list shows the face the
    // sample is really drawn in.
    const QStringList matched = CSampleFont::MatchedFamilies(view->Settings().m_strFaceName);
    if (!matched.isEmpty() && frame->StandardToolBar()->FaceCombo()->count() > 0) {
        EXPECT_TRUE(matched.contains(frame->StandardToolBar()->GetSelectedFaceName()))
            << qPrintable(matched.join(','));
    }

    // Clearing the canvas clears the bitmap that goes to the editor too.
    app.Doc().Dib().Bits()[3] = 0;
    view->OnCommand(32792);
    EXPECT_EQ(std::count(app.Doc().Dib().Bits().begin(), app.Doc().Dib().Bits().end(), 0xFF),
              static_cast<std::ptrdiff_t>(app.Doc().Dib().ImageSize()));

    // A second start says so and brings this window forward.
    CountingPlatform otherPlatform;
    CMyApp second(store, messages, otherPlatform, Folders());
    EXPECT_FALSE(second.InitInstance());
    EXPECT_EQ(otherPlatform.Frame(), nullptr);
    EXPECT_EQ(messages.messages, QStringList {QStringLiteral("Quilleryは既に起動されています。")});
    for (int i = 0; i < 200 && platform.activations == 0; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(platform.activations, 1);

    platform.DestroyMainWindow();
    app.ExitInstance();
    EXPECT_EQ(Dword("ToolSize"), 2);
    EXPECT_EQ(Dword("ViewSample"), 1);
}

TEST_F(AppStartupTest, UnknownToolSizeDrawsWithThe30DotTipAndIsKept)
{
    store.WriteRegDword(QStringLiteral("Settings"), QStringLiteral("ToolSize"), 7);
    store.WriteRegDword(QStringLiteral("Settings"), QStringLiteral("BmpSize"), 448);
    {
        CAppPlatform platform;
        CMyApp app(store, messages, platform, Folders());
        ASSERT_TRUE(app.InitInstance());
        const CDrawingModel& model = platform.Frame()->View()->Model();
        EXPECT_EQ(model.ToolSize(), 7);
        EXPECT_EQ(model.RoundTip().Diameter(), 30);
        EXPECT_EQ(app.Doc().Dib().Width(), 448);
    }
    EXPECT_EQ(Dword("ToolSize"), 7);
}

// The stored character is shown and kept as it is while the window is being
// made; one longer than the field can hold gives the default.
TEST_F(AppStartupTest, StoredCharacterSurvivesStartUp)
{
    const QString section = QStringLiteral("Settings");
    for (const auto& [stored, expected] : {std::pair {"AB", "AB"}, std::pair {"ABC", "あ"}}) {
        store.WriteRegString(section, QStringLiteral("Char"), QString::fromUtf8(stored));
        {
            CAppPlatform platform;
            CMyApp app(store, messages, platform, Folders());
            ASSERT_TRUE(app.InitInstance());
            CMainFrame* frame = platform.Frame();
            EXPECT_EQ(frame->View()->Settings().m_strChar, QString::fromUtf8(expected)) << stored;
            EXPECT_EQ(frame->GetCharText(), QString::fromUtf8(expected)) << stored;
            platform.DestroyMainWindow();
            app.ExitInstance();
        }
        QString written;
        EXPECT_TRUE(store.ReadRegString(section, QStringLiteral("Char"), written));
        EXPECT_EQ(written, QString::fromUtf8(expected)) << stored;
    }
}
