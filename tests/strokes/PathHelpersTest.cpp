#include "strokes/PathHelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(PathHelpersTest, TrailingSeparator)
{
    EXPECT_EQ(AddTrailingBackslash("/a/b"), "/a/b/");
    EXPECT_EQ(AddTrailingBackslash("/a/b/"), "/a/b/");
    EXPECT_EQ(RemoveTrailingBackslash("/a/b/"), "/a/b");
    EXPECT_EQ(RemoveTrailingBackslash("/a/b"), "/a/b");
    // Japanese folder names have no byte that could pass for a separator.
    EXPECT_EQ(AddTrailingBackslash(QString::fromUtf8("/ストロークファイル")),
              QString::fromUtf8("/ストロークファイル/"));
}

TEST(PathHelpersTest, DirectoryExistsAndCreate)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    EXPECT_TRUE(DirectoryExists("/"));
    EXPECT_TRUE(DirectoryExists(tmp.path()));
    EXPECT_TRUE(DirectoryExists(tmp.path() + "/"));
    EXPECT_FALSE(DirectoryExists(QString()));

    const QString nested = tmp.path() + QString::fromUtf8("/a/ストローク/c/");
    EXPECT_FALSE(DirectoryExists(nested));
    EXPECT_TRUE(CreateDirectoryPath(nested));
    EXPECT_TRUE(DirectoryExists(nested));
    EXPECT_TRUE(CreateDirectoryPath(nested)); // already there

    QFile file(tmp.path() + "/plain");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(DirectoryExists(file.fileName()));
    EXPECT_FALSE(CreateDirectoryPath(file.fileName() + "/below"));
}

TEST(PathHelpersTest, DocumentsFolderIsNamed)
{
    QString out = "unchanged";
    ASSERT_TRUE(GetSpecialFolderPath(SpecialFolder::Documents, out));
    EXPECT_NE(out, "unchanged");
    EXPECT_TRUE(QDir::isAbsolutePath(out));
}
