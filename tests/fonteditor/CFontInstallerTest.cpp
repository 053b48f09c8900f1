// Installing a font for the user: with fontconfig's own tools into a private
// font folder, and with a stand-in for them where the tools or the disk fail.
#include "fonteditor/CFontInstaller.h"
#include "fonteditor/CFontconfigTools.h"

#include "support/FakeMessageBox.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const QString kIpaGothic = QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf");
const QString kIpaMincho = QStringLiteral("/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf");

// fontconfig as a user whose data and cache folders are private to the test.
class FontInstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        ASSERT_TRUE(QFile::exists(kIpaGothic) && QFile::exists(kIpaMincho));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath("data")));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_home.filePath("cache")));
        m_fonts = CFontInstaller::DefaultFontsFolder();
    }
    // A font of one's own under another file name.
    QString Copy(const QString& font, const QString& name)
    {
        const QString path = m_home.filePath(name);
        QFile::copy(font, path);
        return path;
    }
    // What fontconfig lists from the private font folder.
    QStringList Listed()
    {
        QProcess list;
        list.start(QStringLiteral("fc-list"), { QStringLiteral("--format"), QStringLiteral("%{file}\\n") });
        EXPECT_TRUE(list.waitForFinished(30'000));
        QStringList files;
        for (const QString& file : QString::fromUtf8(list.readAllStandardOutput()).split('\n'))
            if (file.startsWith(m_fonts))
                files << file;
        return files;
    }
    QStringList InFolder() { return QDir(m_fonts).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir m_home;
    QString m_fonts;
    FakeMessageBox m_messages;
};

// The copy is found by fontconfig; installing the same font again, by the
// same file name or under another name with the same family, leaves one.
TEST_F(FontInstallTest, InstalledFontIsListedAndReplacedOnASecondInstall)
{
    CFontconfigTools fontconfig;
    CFontInstaller installer(fontconfig, m_messages);
    ASSERT_EQ(m_fonts, m_home.filePath("data/fonts"));

    const QString first = Copy(kIpaGothic, "hand.ttf");
    ASSERT_TRUE(installer.Install(first)) << m_messages.messages.join('\n').toStdString();
    EXPECT_EQ(Listed(), QStringList { m_fonts + "/hand.ttf" });
    EXPECT_TRUE(m_messages.messages.isEmpty()) << m_messages.messages.join('\n').toStdString();
    ASSERT_FALSE(m_messages.informations.isEmpty());
    EXPECT_TRUE(m_messages.informations.last().contains(QStringLiteral("「IPAGothic」")))
        << m_messages.informations.last().toStdString();

    ASSERT_TRUE(installer.Install(first));
    ASSERT_TRUE(installer.Install(Copy(kIpaGothic, "hand-2.ttf")));
    EXPECT_EQ(InFolder(), QStringList { "hand-2.ttf" });
    EXPECT_EQ(Listed(), QStringList { m_fonts + "/hand-2.ttf" });

    // Another family is another font and stays beside it.
    ASSERT_TRUE(installer.Install(Copy(kIpaMincho, "other.ttf")));
    EXPECT_EQ(InFolder(), (QStringList { "hand-2.ttf", "other.ttf" }));
}

// fontconfig as far as the family names of each file go.
class FamiliesByFileName : public IFontCachePlatform {
public:
    QHash<QString, QStringList> families;
    SRefresh RefreshCache(const QString&) override { return {}; }
    QList<SScannedFont> Scan(const QString& path, bool* toolMissing) override
    {
        if (toolMissing)
            *toolMissing = false;
        const QFileInfo info(path);
        const QFileInfoList files = info.isDir() ? QDir(path).entryInfoList(QDir::Files) : QFileInfoList { info };
        QList<SScannedFont> fonts;
        for (const QFileInfo& file : files)
            fonts.append({ file.absoluteFilePath(), families.value(file.fileName()) });
        return fonts;
    }
};

// Installing again replaces the copy with all the same names, never another
// font that only shares the English one.
TEST_F(FontInstallTest, OnlyACopyWithTheSameNamesIsReplaced)
{
    FamiliesByFileName fontconfig;
    fontconfig.families = { { "mine.ttf", { "Tegaki", "手書き文字" } }, { "yours.ttf", { "Tegaki", "山田の字" } },
        { "mine-2.ttf", { "tegaki", "手書き文字" } } };
    CFontInstaller installer(fontconfig, m_messages);
    for (const char* name : { "mine.ttf", "yours.ttf" })
        ASSERT_TRUE(installer.Install(Copy(kIpaGothic, name)));
    EXPECT_EQ(InFolder(), (QStringList { "mine.ttf", "yours.ttf" }));
    ASSERT_TRUE(installer.Install(Copy(kIpaGothic, "mine-2.ttf")));
    EXPECT_EQ(InFolder(), (QStringList { "mine-2.ttf", "yours.ttf" }));
}

// fontconfig tools missing, a file that is no font, a full disk: a message in
// Japanese, and no half-written file beside the copy installed before.
TEST_F(FontInstallTest, FailuresSayWhyAndLeaveNoHalfCopy)
{
    CFontconfigTools missing;
    missing.SetPrograms(QStringLiteral("/nonexistent/fc-cache"), QStringLiteral("/nonexistent/fc-scan"));
    CFontInstaller withoutTools(missing, m_messages);
    const QString font = Copy(kIpaGothic, "hand.ttf");
    EXPECT_FALSE(withoutTools.Install(font));
    EXPECT_TRUE(m_messages.messages.last().contains(QStringLiteral("fc-cache が見つからない")));
    EXPECT_EQ(QFile(m_fonts + "/hand.ttf").size(), QFile(kIpaGothic).size());

    CFontconfigTools fontconfig;
    CFontInstaller installer(fontconfig, m_messages);
    QFile junk(m_home.filePath("junk.ttf"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a font at all");
    junk.close();
    EXPECT_FALSE(installer.Install(junk.fileName()));
    EXPECT_TRUE(m_messages.messages.last().contains(QStringLiteral("フォントとして読めない")));

    {
        const FileSizeLimit limit(64 * 1024);
        EXPECT_FALSE(installer.Install(font));
    }
    EXPECT_TRUE(m_messages.messages.last().contains(QStringLiteral("ディスクの空き容量が足りません")))
        << m_messages.messages.last().toStdString();
    EXPECT_EQ(InFolder(), QStringList { "hand.ttf" });
    EXPECT_EQ(QFile(m_fonts + "/hand.ttf").size(), QFile(kIpaGothic).size());

    if (::geteuid() != 0) { // the superuser may write anywhere
        QFile::setPermissions(m_fonts, QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_FALSE(installer.Install(Copy(kIpaGothic, "again.ttf")));
        EXPECT_TRUE(m_messages.messages.last().contains(QStringLiteral("書き込む権限がありません")));
        QFile::setPermissions(m_fonts, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

} // namespace
