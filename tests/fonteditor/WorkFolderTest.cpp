#include "fonteditor/WorkFolder.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(WorkFolderTest, TemporaryFolderWhileItExistsElseDocuments)
{
    QTemporaryDir temp;
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    EXPECT_EQ(GetWorkFolder(), temp.path() + "/");

    const QString file = CreateWorkFile();
    const QFileInfo info(file);
    EXPECT_TRUE(info.exists());
    EXPECT_EQ(info.size(), 0);
    EXPECT_EQ(info.absolutePath() + "/", GetWorkFolder());
    EXPECT_TRUE(info.fileName().startsWith("QL") && info.fileName().endsWith(".tmp"));
    EXPECT_NE(CreateWorkFile(), file);

    qputenv("TMPDIR", temp.filePath("gone").toLocal8Bit());
    const QString fallback = GetWorkFolder();
    EXPECT_TRUE(fallback.endsWith('/'));
    EXPECT_NE(fallback, temp.filePath("gone") + "/");
}

} // namespace
