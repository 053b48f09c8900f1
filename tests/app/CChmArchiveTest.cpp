#include "app/CChmArchive.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ChmArchive, HelpFileHoldsEveryLinkedPage)
{
    CChmArchive archive(QStringLiteral(QUILLERY_HELP_FILE));
    ASSERT_TRUE(archive.IsOpen());
    const auto index = archive.Read("/index.html");
    ASSERT_TRUE(index);
    const QString html = QString::fromUtf8(*index);
    EXPECT_TRUE(html.contains(QString::fromUtf8("Quillery ヘルプ")));

    const QRegularExpression link(QStringLiteral("href=\"([a-z]+\\.(html|css))\""));
    int pages = 0;
    for (auto it = link.globalMatch(html); it.hasNext(); ++pages) {
        const QString page = it.next().captured(1);
        EXPECT_TRUE(archive.Read("/" + page)) << page.toStdString();
    }
    EXPECT_GE(pages, 6);
    EXPECT_FALSE(archive.Read("/missing.html"));
}

TEST(ChmArchive, MissingOrDamagedFilesDoNotOpen)
{
    EXPECT_FALSE(CChmArchive("/nonexistent/quillery.CHM").IsOpen());
    QTemporaryDir dir;
    QFile junk(dir.filePath("junk.CHM"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    CChmArchive archive(junk.fileName());
    EXPECT_FALSE(archive.IsOpen() && archive.Read("/index.html"));
}

TEST(ChmArchive, HelpFileIsNamedAfterTheProgramFile)
{
    EXPECT_EQ(CChmArchive::HelpPathFor("/usr/lib/quillery/quillery"), "/usr/lib/quillery/quillery.CHM");
}
