#include "app/CSettingsStore.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kSection = QStringLiteral("Settings");

class SettingsStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    CSettingsStore store {dir.filePath(QStringLiteral("Orvane/Quillery/3.1.0.ini"))};

    void WriteRaw(const QByteArray& text)
    {
        QDir().mkpath(QFileInfo(store.FilePath()).path());
        QFile file(store.FilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
};

} // namespace

TEST_F(SettingsStoreTest, ValuesRoundTripThroughTheFileInTheirGroup)
{
    EXPECT_TRUE(store.WriteRegDword(kSection, QStringLiteral("BmpSize"), 448));
    EXPECT_TRUE(store.WriteRegDword(kSection, QStringLiteral("Negative"), -5));
    EXPECT_TRUE(store.WriteRegString(kSection, QStringLiteral("FaceName"), QStringLiteral("IPAゴシック")));
    EXPECT_TRUE(store.WriteRegString(kSection, QStringLiteral("Char"), QStringLiteral("@5")));
    const QByteArray bytes("\x00\xff\x10,=\n", 6);
    EXPECT_TRUE(store.WriteRegBinary(kSection, QStringLiteral("BmpPenData"), bytes));

    int32_t n = 0;
    EXPECT_TRUE(store.ReadRegDword(kSection, QStringLiteral("BmpSize"), n));
    EXPECT_EQ(n, 448);
    EXPECT_TRUE(store.ReadRegDword(kSection, QStringLiteral("Negative"), n));
    EXPECT_EQ(n, -5);
    QString text;
    EXPECT_TRUE(store.ReadRegString(kSection, QStringLiteral("FaceName"), text));
    EXPECT_EQ(text, QStringLiteral("IPAゴシック"));
    EXPECT_TRUE(store.ReadRegString(kSection, QStringLiteral("Char"), text));
    EXPECT_EQ(text, QStringLiteral("@5"));
    QByteArray read;
    EXPECT_TRUE(store.ReadRegBinary(kSection, QStringLiteral("BmpPenData"), read));
    EXPECT_EQ(read, bytes);

    QFile file(store.FilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray contents = file.readAll();
    EXPECT_TRUE(contents.contains("[Settings]"));
    EXPECT_TRUE(contents.contains("BmpSize=448"));
    EXPECT_TRUE(contents.contains(QStringLiteral("FaceName=IPAゴシック").toUtf8()));
}

TEST_F(SettingsStoreTest, FailedReadsLeaveTheCallersValue)
{
    WriteRaw("[Settings]\n"
             "Wide=4294967296\n"
             "TooNegative=-2147483649\n"
             "Word=abc\n"
             "Bytes=@ByteArray(abc)\n"
             "List=a, b\n"
             "Unsigned=4294967295\n");
    int32_t n = 77;
    for (const char* name : {"Missing", "Wide", "TooNegative", "Word", "Bytes", "List"}) {
        EXPECT_FALSE(store.ReadRegDword(kSection, QString::fromLatin1(name), n)) << name;
        EXPECT_EQ(n, 77) << name;
    }
    EXPECT_TRUE(store.ReadRegDword(kSection, QStringLiteral("Unsigned"), n));
    EXPECT_EQ(n, -1);

    QString text = QStringLiteral("keep");
    EXPECT_FALSE(store.ReadRegString(kSection, QStringLiteral("Bytes"), text));
    EXPECT_FALSE(store.ReadRegString(kSection, QStringLiteral("List"), text));
    EXPECT_FALSE(store.ReadRegString(kSection, QStringLiteral("Missing"), text));
    EXPECT_EQ(text, QStringLiteral("keep"));

    QByteArray bytes("keep");
    EXPECT_FALSE(store.ReadRegBinary(kSection, QStringLiteral("Word"), bytes));
    EXPECT_FALSE(store.ReadRegBinary(kSection, QStringLiteral("Missing"), bytes));
    EXPECT_EQ(bytes, QByteArray("keep"));
}

TEST_F(SettingsStoreTest, EmptyValuesAndTerminatingZeroesReadAsStored)
{
    EXPECT_TRUE(store.WriteRegString(kSection, QStringLiteral("Empty"), QString()));
    EXPECT_TRUE(store.WriteRegString(kSection, QStringLiteral("Zero"), QStringLiteral("abc") + QChar(0)));
    EXPECT_TRUE(store.WriteRegBinary(kSection, QStringLiteral("NoBytes"), QByteArray()));

    QString text = QStringLiteral("default");
    EXPECT_TRUE(store.ReadRegString(kSection, QStringLiteral("Empty"), text));
    EXPECT_TRUE(text.isEmpty());
    EXPECT_TRUE(store.ReadRegString(kSection, QStringLiteral("Zero"), text));
    EXPECT_EQ(text, QStringLiteral("abc"));
    QByteArray bytes("default");
    EXPECT_TRUE(store.ReadRegBinary(kSection, QStringLiteral("NoBytes"), bytes));
    EXPECT_TRUE(bytes.isEmpty());
}

// Every write replaces the file by renaming a complete new one over it, so no
// temporary file stays behind and other values survive each write.
TEST_F(SettingsStoreTest, WritesReplaceTheWholeFileAndKeepOtherValues)
{
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(store.WriteRegDword(kSection, QStringLiteral("V%1").arg(i), i));
    int32_t n = -1;
    EXPECT_TRUE(store.ReadRegDword(kSection, QStringLiteral("V0"), n));
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(store.ReadRegDword(kSection, QStringLiteral("V19"), n));
    EXPECT_EQ(n, 19);
    const QStringList files = QDir(QFileInfo(store.FilePath()).path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(files, QStringList {QStringLiteral("3.1.0.ini")});
}

// Nothing is cached: a value of the same length written in the same instant,
// or a file replaced behind the store's back, reads as it is now.
TEST_F(SettingsStoreTest, ReadsSeeTheFileAsItIsNow)
{
    int32_t n = 0;
    for (int value : {448, 512, 256, 128}) {
        ASSERT_TRUE(store.WriteRegDword(kSection, QStringLiteral("BmpSize"), value));
        ASSERT_TRUE(store.ReadRegDword(kSection, QStringLiteral("BmpSize"), n));
        EXPECT_EQ(n, value);
    }
    WriteRaw("[Settings]\nBmpSize=160\n");
    ASSERT_TRUE(store.ReadRegDword(kSection, QStringLiteral("BmpSize"), n));
    EXPECT_EQ(n, 160);
}

TEST_F(SettingsStoreTest, WriteThatCannotReachTheFileFailsAndLeavesNoFile)
{
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const CSettingsStore blocked(dir.filePath(QStringLiteral("blocker/Quillery/3.1.0.ini")));
    EXPECT_FALSE(blocked.WriteRegDword(kSection, QStringLiteral("BmpSize"), 512));
    int32_t n = 3;
    EXPECT_FALSE(blocked.ReadRegDword(kSection, QStringLiteral("BmpSize"), n));
    EXPECT_EQ(n, 3);
}

TEST_F(SettingsStoreTest, WriteThatRunsOutOfSpaceKeepsThePreviousFile)
{
    ASSERT_TRUE(store.WriteRegString(kSection, QStringLiteral("Char"), QStringLiteral("あ")));
    ASSERT_TRUE(store.WriteRegDword(kSection, QStringLiteral("BmpSize"), 448));
    QFile file(store.FilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    {
        const FileSizeLimit limit(static_cast<rlim_t>(before.size() + 100));
        EXPECT_FALSE(store.WriteRegBinary(kSection, QStringLiteral("BmpPenData"), QByteArray(512, 0x55)));
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    int32_t n = 0;
    EXPECT_TRUE(store.ReadRegDword(kSection, QStringLiteral("BmpSize"), n));
    EXPECT_EQ(n, 448);
}

// A hand-written line that the INI reader refuses must not stop later writes:
// the values around it are kept and what is written reads back.
TEST_F(SettingsStoreTest, FileWithAnUnreadableLineTakesWrites)
{
    WriteRaw("# note by hand\n"
             "[Settings]\n"
             "FirstOperation=0\n"
             "a line without an equals sign\n"
             "GridSize=7\n");
    int32_t n = -1;
    EXPECT_TRUE(store.ReadRegDword(kSection, QStringLiteral("GridSize"), n));
    EXPECT_EQ(n, 7);
    ASSERT_TRUE(store.WriteRegDword(kSection, QStringLiteral("FirstOperation"), 1));
    ASSERT_TRUE(store.WriteRegString(kSection, QStringLiteral("Char"), QStringLiteral("AB")));
    EXPECT_TRUE(store.ReadRegDword(kSection, QStringLiteral("FirstOperation"), n));
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(store.ReadRegDword(kSection, QStringLiteral("GridSize"), n));
    EXPECT_EQ(n, 7);
    QString text;
    EXPECT_TRUE(store.ReadRegString(kSection, QStringLiteral("Char"), text));
    EXPECT_EQ(text, QStringLiteral("AB"));
}

// Lines are judged one by one as Qt's INI reader would: quoted or escaped
// semicolons and equals signs, trailing comments and CRLF endings are kept;
// the refused lines are dropped, so the values they held keep their
// defaults, and the first write leaves a file the reader takes whole.
TEST_F(SettingsStoreTest, RefusedLinesKeepDefaultsAndTheRestIsRead)
{
    WriteRaw("# by hand\r\n"
             "[Settings]\r\n"
             "Quoted=\"a;b=c\"\r\n"
             "Escaped=a\\\"b;c\n"
             "  Spaced  =  x  \n"
             "Commented=7 ; a note\n"
             "; GridSize=9\n"
             "ToolSize 3\n"
             "[Unclosed\n"
             "\"Char=い\"\n"
             "Last=1\n");
    QString text;
    EXPECT_TRUE(store.ReadRegString(kSection, QStringLiteral("Quoted"), text));
    EXPECT_EQ(text, QStringLiteral("a;b=c"));
    EXPECT_TRUE(store.ReadRegString(kSection, QStringLiteral("Escaped"), text));
    EXPECT_EQ(text, QStringLiteral("a\"b"));
    EXPECT_TRUE(store.ReadRegString(kSection, QStringLiteral("Spaced"), text));
    EXPECT_EQ(text, QStringLiteral("x"));
    int32_t n = -1;
    EXPECT_TRUE(store.ReadRegDword(kSection, QStringLiteral("Commented"), n));
    EXPECT_EQ(n, 7);
    EXPECT_TRUE(store.ReadRegDword(kSection, QStringLiteral("Last"), n));
    EXPECT_EQ(n, 1);
    for (const char* name : {"GridSize", "ToolSize"}) {
        n = -1;
        EXPECT_FALSE(store.ReadRegDword(kSection, QString::fromLatin1(name), n)) << name;
        EXPECT_EQ(n, -1) << name;
    }
    text = QStringLiteral("あ");
    EXPECT_FALSE(store.ReadRegString(kSection, QStringLiteral("Char"), text));
    EXPECT_EQ(text, QStringLiteral("あ"));

    ASSERT_TRUE(store.WriteRegDword(kSection, QStringLiteral("BmpSize"), 448));
    QSettings plain(store.FilePath(), QSettings::IniFormat);
    EXPECT_EQ(plain.value(QStringLiteral("Settings/Quoted")).toString(), QStringLiteral("a;b=c"));
    EXPECT_EQ(plain.value(QStringLiteral("Settings/BmpSize")).toString(), QStringLiteral("448"));
    EXPECT_EQ(plain.status(), QSettings::NoError);
}

// Several values of each kind go into the file in one replacement.
TEST_F(SettingsStoreTest, SeveralValuesAreWrittenTogether)
{
    ASSERT_TRUE(store.WriteValues(kSection, {{QStringLiteral("Char"), QStringLiteral("さ")},
                                             {QStringLiteral("ToolSize"), int32_t(4)},
                                             {QStringLiteral("BmpPenData"), QByteArray(3, '\x7f')}}));
    QString text;
    int32_t n = 0;
    QByteArray bytes;
    EXPECT_TRUE(store.ReadRegString(kSection, QStringLiteral("Char"), text));
    EXPECT_EQ(text, QStringLiteral("さ"));
    EXPECT_TRUE(store.ReadRegDword(kSection, QStringLiteral("ToolSize"), n));
    EXPECT_EQ(n, 4);
    EXPECT_TRUE(store.ReadRegBinary(kSection, QStringLiteral("BmpPenData"), bytes));
    EXPECT_EQ(bytes, QByteArray(3, '\x7f'));
}
