#include "strokes/CStrokeFileFormat.h"
#include "strokes/CStrokeFileStore.h"
#include "strokes/FakeStrokeFileHost.h"
#include "support/FakeMessageBox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class StrokeFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        host.folder = m_tmp.path() + "/strokes";
        ASSERT_TRUE(QDir().mkpath(host.folder));
    }

    QString Path(const QString& name) const { return host.folder + "/" + name; }

    // Saves the host's strokes at size `from` and loads them into an empty
    // stroke list at size `to`.
    CPointAryAry2 RoundTrip(const CPointAryAry2& strokes, int from = 512, int to = 512)
    {
        host.strokes = strokes;
        host.size = from;
        store.SaveStrokeFile();
        host.strokes.clear();
        host.size = to;
        EXPECT_TRUE(store.LoadStrokeFile(store.StrokeFilePath()));
        EXPECT_TRUE(box.messages.isEmpty()) << box.messages.join("|").toStdString();
        return host.strokes;
    }

    QTemporaryDir m_tmp;
    FakeStrokeFileHost host;
    FakeMessageBox box;
    CStrokeFileStore store{host, box};
};

// あ, vertical, on a 256 canvas: one stroke with steps (1,-2) and (-128,127),
// and one single-point stroke at a negative x.
const QByteArray kExpectedFile = Bytes({
    's', 't', 'r', 'k', 0x02, 0x00, 0x42, 0x30, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x02, 0x00,
    0x03, 0x00, 0x0A, 0x00, 0x14, 0x00, 0x01, 0xFE, 0x80, 0x7F,
    0x01, 0x00, 0xFB, 0xFF, 0x2C, 0x01,
});

} // namespace

TEST_F(StrokeFileTest, WritesTheLayoutByteForByte)
{
    host.vertical = true;
    host.size = 256;
    host.strokes = {{{10, 20}, {11, 18}, {-117, 145}}, {{-5, 300}}};
    store.SaveStrokeFile();
    EXPECT_TRUE(box.messages.isEmpty());
    EXPECT_EQ(ReadAll(Path(QString::fromUtf8("U3042縦.stk"))), kExpectedFile);
    // The name is UTF-8 on disk, whatever the locale.
    EXPECT_TRUE(std::filesystem::exists(host.folder.toStdString() + "/U3042\xE7\xB8\xA6.stk"));

    // And reads it back unchanged, setting the character and the box.
    host.ch.clear();
    host.vertical = false;
    host.strokes.clear();
    ASSERT_TRUE(store.LoadStrokeFile(Path(QString::fromUtf8("U3042縦.stk"))));
    EXPECT_EQ(host.ch, QByteArray("\x82\xa0"));
    EXPECT_TRUE(host.vertical);
    EXPECT_EQ(host.strokes, (CPointAryAry2{{{10, 20}, {11, 18}, {-117, 145}}, {{-5, 300}}}));
}

TEST_F(StrokeFileTest, FileNamesFollowTheCharacterAndTheBox)
{
    EXPECT_EQ(store.StrokeFilePath(), host.folder + "/U3042.stk");
    host.vertical = true;
    EXPECT_EQ(store.StrokeFilePath(), host.folder + QString::fromUtf8("/U3042縦.stk"));
    host.vertical = false;
    host.ch = "\xb1"; // half-width ｱ
    EXPECT_EQ(store.StrokeFilePath(), host.folder + "/UFF71.stk");
    host.folder += "/";
    host.ch = "\x85\x40"; // no such character
    EXPECT_EQ(store.StrokeFilePath(), host.folder + "U0000.stk");
}

TEST_F(StrokeFileTest, UnconvertibleCharacterIsStoredAsZeroAndReadAsEmpty)
{
    host.ch = "\x85\x40";
    host.strokes.clear();
    store.SaveStrokeFile();
    const QByteArray bytes = ReadAll(Path("U0000.stk"));
    ASSERT_EQ(bytes.size(), CStrokeFileFormat::kHeaderSize);
    EXPECT_EQ(bytes.mid(6, 2), Bytes({0, 0}));
    EXPECT_EQ(bytes.mid(14, 2), Bytes({0, 0}));
    ASSERT_TRUE(store.LoadStrokeFile(Path("U0000.stk")));
    EXPECT_TRUE(host.ch.isEmpty());
    EXPECT_TRUE(host.strokes.empty());
}

TEST_F(StrokeFileTest, LongJumpsAreStoredAsStepsThatReadBackOnTheLine)
{
    const CPointArray2 drawn = {{0, 0}, {1000, -700}, {872, -572}, {745, -444}, {600, -300}};
    const CPointAryAry2 loaded = RoundTrip({drawn});
    ASSERT_EQ(loaded.size(), 1u);
    const CPointArray2& got = loaded[0];
    // Every drawn point is there, in order; every step fits a signed byte.
    size_t next = 0;
    for (size_t i = 0; i < got.size(); ++i) {
        if (next < drawn.size() && got[i] == drawn[next])
            ++next;
        if (i > 0) {
            EXPECT_LE(std::abs(got[i].x() - got[i - 1].x()), 128);
            EXPECT_LE(std::abs(got[i].y() - got[i - 1].y()), 128);
        }
    }
    EXPECT_EQ(next, drawn.size());
    // Points between (0,0) and (1000,-700) lie on that line.
    for (size_t i = 1; got[i] != drawn[1]; ++i)
        EXPECT_NEAR(got[i].y(), -0.7 * got[i].x(), 1.0);
}

TEST_F(StrokeFileTest, CoordinatesOutsideTheWordRangeAreLimited)
{
    const CPointAryAry2 loaded = RoundTrip({{{40000, -40000}, {40010, 5}}});
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].front(), QPoint(32767, -32768));
    EXPECT_EQ(loaded[0].back(), QPoint(32767, 5));
}

TEST_F(StrokeFileTest, LongStrokesContinueInAFurtherStroke)
{
    CPointArray2 lengthy;
    for (int i = 0; i < 70000; ++i)
        lengthy.push_back({i % 100, i / 100});
    const CPointAryAry2 loaded = RoundTrip({lengthy, {{3, 4}}});
    ASSERT_EQ(loaded.size(), 4u);
    CPointArray2 joined = loaded[0];
    for (int s = 1; s <= 2; ++s) {
        EXPECT_EQ(loaded[s].front(), joined.back());
        joined.insert(joined.end(), loaded[s].begin() + 1, loaded[s].end());
    }
    EXPECT_EQ(joined, lengthy);
    EXPECT_EQ(loaded[3], (CPointArray2{{3, 4}}));
}

TEST_F(StrokeFileTest, EmptyStrokesAreLeftOutAndCountsMatch)
{
    const CPointAryAry2 loaded = RoundTrip({{}, {{1, 1}}, {}});
    EXPECT_EQ(loaded, (CPointAryAry2{{{1, 1}}}));
    EXPECT_EQ(ReadAll(store.StrokeFilePath()).size(), 16 + 6);
}

TEST_F(StrokeFileTest, ScalesToTheCurrentCanvasTruncatingTowardZero)
{
    const CPointAryAry2 drawn = {{{-3, 5}, {7, -7}, {100, 60}}};
    EXPECT_EQ(RoundTrip(drawn, 256, 512), (CPointAryAry2{{{-6, 10}, {14, -14}, {200, 120}}}));
    EXPECT_EQ(RoundTrip(drawn, 256, 128), (CPointAryAry2{{{-1, 2}, {3, -3}, {50, 30}}}));
    EXPECT_EQ(RoundTrip(drawn, 512, 192), (CPointAryAry2{{{-1, 1}, {2, -2}, {37, 22}}}));
}

TEST_F(StrokeFileTest, LoadAppendsToTheStrokeList)
{
    host.strokes = {{{1, 2}}};
    store.SaveStrokeFile();
    ASSERT_TRUE(store.LoadStrokeFile(store.StrokeFilePath()));
    EXPECT_EQ(host.strokes, (CPointAryAry2{{{1, 2}}, {{1, 2}}}));
}

TEST_F(StrokeFileTest, MissingFolderIsCreatedOnlyWhenTheUserSaysYes)
{
    host.folder = m_tmp.path() + "/new/deeper";
    host.strokes = {{{1, 2}}};
    store.SaveStrokeFile();
    ASSERT_EQ(box.questions.size(), 1);
    EXPECT_EQ(box.questions[0], QString::fromUtf8("ストロークファイルの保存先フォルダ %1 が存在しません。作成しますか？")
                                    .arg(host.folder));
    EXPECT_TRUE(box.messages.isEmpty());
    EXPECT_FALSE(QDir(host.folder).exists());

    box.answers = {true};
    store.SaveStrokeFile();
    EXPECT_TRUE(box.messages.isEmpty());
    EXPECT_TRUE(QFile::exists(host.folder + "/U3042.stk"));

    WriteAll(m_tmp.path() + "/file", "x");
    host.folder = m_tmp.path() + "/file/below";
    box.answers = {true};
    store.SaveStrokeFile();
    EXPECT_EQ(box.messages.value(0),
              QString::fromUtf8("フォルダの作成に失敗しました。エクスプローラから手動で作成してください。"));
}

TEST_F(StrokeFileTest, OpenFailureIsReported)
{
    ASSERT_TRUE(QDir().mkpath(Path("U3042.stk"))); // a folder where the file belongs
    store.SaveStrokeFile();
    EXPECT_EQ(box.messages, QStringList{QString::fromUtf8("ファイル「%1」のオープンに失敗しました。")
                                            .arg(Path("U3042.stk"))});
    box.messages.clear();
    EXPECT_FALSE(store.LoadStrokeFile(Path("U1234.stk")));
    EXPECT_EQ(box.messages, QStringList{QString::fromUtf8("ファイル「%1」のオープンに失敗しました。")
                                            .arg(Path("U1234.stk"))});
}

// A file size limit makes the write fail as a full disk would.
TEST_F(StrokeFileTest, WriteFailureKeepsTheOldFile)
{
    const QByteArray old = Bytes({'o', 'l', 'd'});
    WriteAll(store.StrokeFilePath(), old);
    host.strokes = {CPointArray2(5000, QPoint(1, 1))};

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    store.SaveStrokeFile();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(box.messages, QStringList{QString::fromUtf8("ファイル「%1」の書き込みに失敗しました。")
                                            .arg(store.StrokeFilePath())});
    EXPECT_EQ(ReadAll(store.StrokeFilePath()), old);
    EXPECT_EQ(QDir(host.folder).entryList(QDir::Files), QStringList{"U3042.stk"});
}

TEST_F(StrokeFileTest, RejectsWrongSignatureAndVersionsLeavingTheViewAlone)
{
    struct Case
    {
        QByteArray bytes;
        const char* message;
    };
    const QByteArray rest = kExpectedFile.mid(6);
    const Case cases[] = {
        {Bytes({'s', 't', 'r', 'K', 2, 0}) + rest, "ファイル「%1」はストロークファイルではありません"},
        {Bytes({'s', 't', 'r', 'k', 1, 0}) + rest, "ファイル「%1」はこのバージョンでは読み込みできません。"},
        {Bytes({'s', 't', 'r', 'k', 0xFF, 0xFF}) + rest, "ファイル「%1」はこのバージョンでは読み込みできません。"},
        {Bytes({'s', 't', 'r', 'k', 3, 0}) + rest, "ファイル「%1」は上位バージョンのQuilleryで作成されたファイルです。"},
    };
    for (const Case& c : cases) {
        WriteAll(Path("bad.stk"), c.bytes);
        box.messages.clear();
        host.ch = "A";
        host.vertical = false;
        host.strokes.clear();
        EXPECT_FALSE(store.LoadStrokeFile(Path("bad.stk")));
        EXPECT_EQ(box.messages, QStringList{QString::fromUtf8(c.message).arg(Path("bad.stk"))});
        EXPECT_EQ(host.ch, QByteArray("A"));
        EXPECT_FALSE(host.vertical);
        EXPECT_TRUE(host.strokes.empty());
    }
}

TEST_F(StrokeFileTest, RejectsAStoredWidthOfZeroOrLess)
{
    for (int width : {0, -256}) {
        QByteArray bytes = kExpectedFile;
        bytes[10] = static_cast<char>(width & 0xFF);
        bytes[11] = static_cast<char>((width >> 8) & 0xFF);
        WriteAll(Path("bad.stk"), bytes);
        box.messages.clear();
        host.strokes.clear();
        EXPECT_FALSE(store.LoadStrokeFile(Path("bad.stk")));
        EXPECT_EQ(box.messages, QStringList{QString::fromUtf8("ファイル「%1」のキャンバスの大きさが正しくありません。")
                                                .arg(Path("bad.stk"))});
        EXPECT_TRUE(host.strokes.empty());
    }
}

TEST_F(StrokeFileTest, TruncatedFilesFailKeepingWhatWasAlreadyApplied)
{
    const QString path = Path("short.stk");
    const QString readFailed = QString::fromUtf8("ファイル「%1」の読み込みに失敗しました。").arg(path);
    for (int length = 0; length < kExpectedFile.size(); ++length) {
        SCOPED_TRACE(length);
        WriteAll(path, kExpectedFile.left(length));
        box.messages.clear();
        host.ch = "A";
        host.vertical = false;
        host.strokes.clear();
        EXPECT_FALSE(store.LoadStrokeFile(path));
        ASSERT_EQ(box.messages.size(), 1);
        if (length < 4)
            EXPECT_EQ(box.messages[0], QString::fromUtf8("ファイル「%1」はストロークファイルではありません").arg(path));
        else
            EXPECT_EQ(box.messages[0], readFailed);
        // The character is applied once its word was read, the box once its
        // flag was, and only complete strokes are appended.
        EXPECT_EQ(host.ch, length >= 8 ? QByteArray("\x82\xa0") : QByteArray("A"));
        EXPECT_EQ(host.vertical, length >= 10);
        EXPECT_EQ(host.strokes.size(), length >= 26 ? 1u : 0u);
    }
}

TEST_F(StrokeFileTest, NegativeCountsReadAsNoStrokesOrEmptyStrokes)
{
    host.size = 256;
    QByteArray noStrokes = kExpectedFile.left(16);
    noStrokes[14] = static_cast<char>(0xFF);
    noStrokes[15] = static_cast<char>(0xFF);
    WriteAll(Path("a.stk"), noStrokes + Bytes({1, 2, 3}));
    ASSERT_TRUE(store.LoadStrokeFile(Path("a.stk")));
    EXPECT_TRUE(host.strokes.empty());

    QByteArray emptyStroke = kExpectedFile.left(16);
    emptyStroke[14] = 2;
    WriteAll(Path("b.stk"), emptyStroke + Bytes({0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00, 0x06, 0x00}));
    ASSERT_TRUE(store.LoadStrokeFile(Path("b.stk")));
    EXPECT_EQ(host.strokes, (CPointAryAry2{{}, {{5, 6}}}));
    EXPECT_TRUE(box.messages.isEmpty());
}
