#include "app/CQuilleryDoc.h"
#include "support/FakeMessageBox.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class QuilleryDocTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    FakeMessageBox messages;
    CQuilleryDoc doc {dir.path(), messages};

    void PutTemplate(int side, const QByteArray& bytes)
    {
        QDir().mkpath(doc.SystemFolder());
        QFile file(doc.TemplatePath(side));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

} // namespace

TEST_F(QuilleryDocTest, TemplatesLiveInTheSystemFolderBesideTheProgram)
{
    EXPECT_EQ(doc.SystemFolder(), dir.path() + QStringLiteral("/system"));
    EXPECT_EQ(doc.TemplatePath(448), dir.path() + QStringLiteral("/system/448.bin"));
}

TEST_F(QuilleryDocTest, MissingOrDamagedTemplateFailsWithItsMessage)
{
    EXPECT_FALSE(doc.LoadTemplate(512));
    EXPECT_EQ(messages.messages,
              QStringList {QStringLiteral("ファイル%1のオープンに失敗しました。").arg(doc.TemplatePath(512))});

    messages.messages.clear();
    PutTemplate(256, CDib::BlankOneBitFile(256, 256).left(200));
    EXPECT_FALSE(doc.LoadTemplate(256));
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages.front().contains(QStringLiteral("の読み込みに失敗しました。")));
}

TEST_F(QuilleryDocTest, TemplateOfAnotherShapeIsRefused)
{
    PutTemplate(192, CDib::BlankOneBitFile(128, 128));
    EXPECT_FALSE(doc.LoadTemplate(192));
    EXPECT_EQ(messages.messages, QStringList {QStringLiteral("このビットマップ ファイルは無効です。")});
    EXPECT_TRUE(doc.Dib().IsEmpty());
}

TEST_F(QuilleryDocTest, LoadedTemplateIsWrittenBackAsAFile)
{
    PutTemplate(128, CDib::BlankOneBitFile(128, 128));
    ASSERT_TRUE(doc.LoadTemplate(128));
    doc.Dib().Bits()[5] = 0x42;
    const QString path = dir.filePath(QStringLiteral("QL1.tmp"));
    ASSERT_TRUE(doc.WriteDibFile(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.size(), 62 + 16 * 128);
    EXPECT_EQ(bytes.at(62 + 5), 0x42);
    EXPECT_TRUE(messages.messages.isEmpty());

    EXPECT_FALSE(doc.WriteDibFile(dir.filePath(QStringLiteral("no/such/folder/x.bmp"))));
    EXPECT_EQ(messages.messages.size(), 1);
}

TEST_F(QuilleryDocTest, BitmapThatRunsOutOfSpaceIsReportedAsAFailure)
{
    PutTemplate(512, CDib::BlankOneBitFile(512, 512));
    ASSERT_TRUE(doc.LoadTemplate(512));
    const QString path = dir.filePath(QStringLiteral("QL2.tmp"));
    {
        const FileSizeLimit limit(4096);
        EXPECT_FALSE(doc.WriteDibFile(path));
    }
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages.front().startsWith(QStringLiteral("ファイル%1の書き込みに失敗しました。").arg(path)));
}
