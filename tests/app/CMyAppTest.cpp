#include "app/CMyApp.h"
#include "app/CSettingsStore.h"
#include "app/IAppPlatform.h"
#include "support/FakeMessageBox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class FakePlatform : public IAppPlatform
{
public:
    bool automationOk = true;
    bool windowOk = true;
    QStringList calls;
    int createdSide = 0;

    bool InitAutomation() override { return automationOk; }
    QSize WorkArea() const override { return {1024, 700}; }
    bool CreateMainWindow(const CViewSettings& settings, const CSettingsStore&, CQuilleryDoc&) override
    {
        calls << QStringLiteral("create");
        createdSide = settings.m_nBmpSize;
        return windowOk;
    }
    void ShowMainWindow() override { calls << QStringLiteral("show"); }
    void FitFrameToCanvas() override { calls << QStringLiteral("fit"); }
    void ActivateMainWindow() override { calls << QStringLiteral("activate"); }
};

class MyAppTest : public ::testing::Test
{
protected:
    MyAppTest()
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
    int FirstOperation() const
    {
        int32_t value = -1;
        store.ReadRegDword(QStringLiteral("Settings"), QStringLiteral("FirstOperation"), value);
        return value;
    }

    QTemporaryDir dir;
    CSettingsStore store {dir.filePath(QStringLiteral("settings.ini"))};
    FakeMessageBox messages;
    FakePlatform platform;
};

} // namespace

TEST_F(MyAppTest, NormalStartBuildsShowsAndFitsTheWindow)
{
    CMyApp app(store, messages, platform, Folders());
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(platform.calls, (QStringList {"create", "show", "fit"}));
    EXPECT_EQ(platform.createdSide, 512);
    EXPECT_EQ(app.Doc().Dib().Width(), 512);
    EXPECT_EQ(FirstOperation(), 1);
    EXPECT_TRUE(messages.messages.isEmpty());
    EXPECT_TRUE(app.HoldsInstance());
    app.ExitInstance();
    EXPECT_FALSE(app.HoldsInstance());
}

TEST_F(MyAppTest, FirstOperationIsWrittenOnlyWhenMissingOrZero)
{
    store.WriteRegDword(QStringLiteral("Settings"), QStringLiteral("FirstOperation"), 7);
    {
        CMyApp app(store, messages, platform, Folders());
        ASSERT_TRUE(app.InitInstance());
    }
    EXPECT_EQ(FirstOperation(), 7);
    store.WriteRegDword(QStringLiteral("Settings"), QStringLiteral("FirstOperation"), 0);
    CMyApp app(store, messages, platform, Folders());
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(FirstOperation(), 1);
}

TEST_F(MyAppTest, SecondCopyShowsTheMessageAndMakesNoWindow)
{
    CMyApp first(store, messages, platform, Folders());
    ASSERT_TRUE(first.InitInstance());
    platform.calls.clear();

    FakePlatform otherPlatform;
    CMyApp second(store, messages, otherPlatform, Folders());
    EXPECT_FALSE(second.InitInstance());
    EXPECT_EQ(messages.messages, QStringList {QStringLiteral("Quilleryは既に起動されています。")});
    EXPECT_TRUE(otherPlatform.calls.isEmpty());
}

TEST_F(MyAppTest, FailuresEndStartUpBeforeTheWindowShows)
{
    platform.automationOk = false;
    {
        CMyApp app(store, messages, platform, Folders());
        EXPECT_FALSE(app.InitInstance());
        EXPECT_TRUE(messages.messages.value(0).startsWith(QStringLiteral("OLE の初期化に失敗しました。")));
        EXPECT_TRUE(platform.calls.isEmpty());
    }
    platform.automationOk = true;
    platform.windowOk = false;
    {
        CMyApp app(store, messages, platform, Folders());
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(platform.calls, QStringList {"create"});
    }
    platform.windowOk = true;
    platform.calls.clear();
    messages.messages.clear();
    store.WriteRegDword(QStringLiteral("Settings"), QStringLiteral("BmpSize"), 256);
    CMyApp app(store, messages, platform, Folders());
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(messages.messages,
              QStringList {QStringLiteral("ファイル%1のオープンに失敗しました。").arg(app.Doc().TemplatePath(256))});
    EXPECT_FALSE(platform.calls.contains(QStringLiteral("show")));
    EXPECT_EQ(FirstOperation(), -1);
}
