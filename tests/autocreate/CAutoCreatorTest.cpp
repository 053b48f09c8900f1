#include "autocreate/CAutoCreator.h"
#include "autocreate/IAutoCreateHost.h"
#include "canvas/CDrawingModel.h"
#include "canvas/CanvasTestUtil.h"
#include "strokes/CStrokeFileStore.h"
#include "strokes/CodePage932.h"
#include "strokes/FakeStrokeFileHost.h"
#include "support/FakeMessageBox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct GlyphCall
{
    QByteArray ch;
    bool vertical = false;
    size_t inkDots = 0;
    bool autoCreating = false;
};

// A view with a real canvas and stroke file reader, and an editor that
// records every glyph it is handed.
class FakeAutoCreateHost : public IAutoCreateHost, public IStrokeFileHost
{
public:
    // IAutoCreateHost
    QString StrokeFolder() const override { return folder; }
    CDrawingModel& Drawing() override { return drawing; }
    bool LoadStrokeFile(const QString& path) override { return store.LoadStrokeFile(path); }
    QByteArray CurrentChar() const override { return ch; }
    quint16 LoadedCharUnit() const override { return store.LastCharUnit(); }
    void SetCharText(const QByteArray& c) override { field = c; }
    GlyphStepResult WriteGlyph() override
    {
        glyphs.push_back({ch, vertical, InkDots(drawing.Canvas()).size(), creator && creator->IsAutoCreating()});
        if (onGlyph)
            onGlyph();
        if (failing.count(CharCode(ch)))
            return {false, QString::fromUtf8("エラー:7\nno glyph")};
        return {};
    }
    bool PumpMessages() override
    {
        if (onPump)
            onPump(pumps);
        ++pumps;
        return true;
    }

    // IStrokeFileHost
    void SetCurrentChar(const QByteArray& c) override { ch = c; }
    bool IsVerticalChecked() const override { return vertical; }
    void SetVerticalCheck(bool checked) override { vertical = checked; }
    int BmpSize() const override { return drawing.Canvas().Width(); }
    CPointAryAry2& Strokes() override { return drawing.Strokes(); }

    QString folder;
    CDrawingModel drawing{128, 0};
    FakeMessageBox box;
    CStrokeFileStore store{*this, box};
    CAutoCreator* creator = nullptr;
    QByteArray ch;
    QByteArray field;
    bool vertical = false;
    std::vector<GlyphCall> glyphs;
    std::set<quint16> failing;
    std::function<void()> onGlyph;
    std::function<void(int)> onPump;
    int pumps = 0;
};

class FakeProgress : public IAutoCreateProgress
{
public:
    void Open() override { ++opened; }
    void SetPosition(int pos) override { positions.push_back(pos); }
    void Close() override { ++closed; }

    int opened = 0;
    int closed = 0;
    std::vector<int> positions;
};

class AutoCreatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        host.folder = m_tmp.path() + "/strokes";
        ASSERT_TRUE(QDir().mkpath(host.folder));
        host.creator = &creator;
    }

    // Writes a stroke file for the character, by default with one short stroke.
    void AddFile(quint16 code, bool vertical = false, int size = 128,
                 const CPointAryAry2& strokes = {{{20, 20}, {40, 30}}})
    {
        FakeStrokeFileHost writer;
        writer.folder = host.folder;
        writer.ch = CharFromCode(code);
        writer.vertical = vertical;
        writer.size = size;
        writer.strokes = strokes;
        FakeMessageBox silent;
        CStrokeFileStore(writer, silent).SaveStrokeFile();
    }

    QString LogPath() const { return m_tmp.path() + "/log.txt"; }

    QTemporaryDir m_tmp;
    FakeAutoCreateHost host;
    FakeProgress progress;
    CAutoCreator creator{host, progress, host.box, LogPath()};
};

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST_F(AutoCreatorTest, ListsRegularStrokeFilesInShiftJisOrder)
{
    for (const char* name : {"U30A2.stk", "U3042縦.stk", "U3042.stk", "U0041.stk", "U3043.STK", "note.txt"})
        QFile(host.folder + "/" + QString::fromUtf8(name)).open(QIODevice::WriteOnly);
    QDir().mkpath(host.folder + "/sub.stk");
    EXPECT_EQ(CAutoCreator::ListStrokeFiles(host.folder + "/"),
              (QStringList{"U0041.stk", "U3042.stk", QString::fromUtf8("U3042縦.stk"), "U30A2.stk"}));
    EXPECT_TRUE(CAutoCreator::ListStrokeFiles(m_tmp.path() + "/missing").isEmpty());
}

TEST_F(AutoCreatorTest, EmptyFolderOrNoStopsBeforeAnything)
{
    QFile::remove(LogPath());
    creator.AutoCreateFromStrokeFiles();
    EXPECT_EQ(host.box.messages,
              QStringList{QString::fromUtf8("フォルダ「%1」にはストロークファイルはありません。\n"
                                            "ストロークファイルの格納先フォルダを変更するには、[編集]メニューの[オプション]で行ってください。")
                              .arg(host.folder)});
    AddFile(0x82A0);
    AddFile(0x82A2);
    creator.AutoCreateFromStrokeFiles();
    EXPECT_EQ(host.box.questions,
              QStringList{QString::fromUtf8("ストロークファイルから自動作成します。\n文字数は2個です。\nよろしいですか？")});
    EXPECT_TRUE(host.glyphs.empty());
    EXPECT_EQ(progress.opened, 0);
    EXPECT_FALSE(QFile::exists(LogPath()));
}

TEST_F(AutoCreatorTest, ReplaysEveryFileInOrderWithItsCharacterAndBox)
{
    AddFile(0x82A1, true);
    AddFile(0x82A1);
    AddFile(0x41);
    host.box.answers = {true};
    creator.AutoCreateFromStrokeFiles();
    ASSERT_EQ(host.glyphs.size(), 3u);
    EXPECT_EQ(host.glyphs[0].ch, QByteArray("A"));
    EXPECT_EQ(host.glyphs[1].ch, QByteArray("\x82\xa1"));
    EXPECT_FALSE(host.glyphs[1].vertical);
    EXPECT_TRUE(host.glyphs[2].vertical);
    for (const GlyphCall& g : host.glyphs) {
        EXPECT_GT(g.inkDots, 0u);
        EXPECT_TRUE(g.autoCreating);
    }
    EXPECT_EQ(progress.positions, (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(progress.closed, 1);
    EXPECT_FALSE(creator.IsRunning());
    EXPECT_FALSE(creator.IsAutoCreating());
    // The last file stays on screen, with only the blank canvas to undo to.
    EXPECT_EQ(host.field, QByteArray("\x82\xa1"));
    EXPECT_EQ(host.drawing.Strokes().size(), 1u);
    EXPECT_EQ(host.drawing.History().Count(), 1);
    EXPECT_TRUE(host.box.messages.isEmpty());
}

TEST_F(AutoCreatorTest, ReplayDrawsWhatThePointerDrew)
{
    CDrawingModel drawn(128, 1);
    drawn.OnButtonDown(PointerButton::Left, {10, 100});
    for (QPoint p : {QPoint{30, 90}, QPoint{60, 95}, QPoint{90, 40}})
        drawn.OnMove(p, true);
    drawn.OnButtonUp();
    drawn.OnButtonDown(PointerButton::Left, {100, 10});
    drawn.OnButtonUp();

    host.drawing = CDrawingModel(128, 1);
    CAutoCreator::DrawStrokes(host.drawing, drawn.Strokes());
    EXPECT_EQ(Picture(host.drawing.Canvas()), Picture(drawn.Canvas()));
}

TEST_F(AutoCreatorTest, EachGlyphIsWhatItsFileAloneDraws)
{
    // A run draws the next file ahead, on a canvas of its own; the editor
    // must still get what drawing each file alone gives, here with the
    // user's own tip, and the new strokes of a file written again while the
    // one before it is with the editor.
    host.drawing = CDrawingModel(128, CDrawingModel::kTipUser);
    CPenTip::Bits tip = CPenTip::BuiltInBits();
    for (size_t i = 0; i < tip.size(); i += 3)
        tip[i] = static_cast<uint8_t>(tip[i] ^ 0x5A);
    host.drawing.PenTip().PenBits() = tip;
    host.drawing.PenTip().RebuildPenStamp();
    const auto strokesOf = [](int i) {
        return CPointAryAry2 {{{30, 64 + i}}, {{10 + 7 * i, 20}, {60, 30 + 9 * i}, {100 - 5 * i, 110}}};
    };
    for (int i = 0; i < 6; ++i)
        AddFile(static_cast<quint16>(0x82A0 + 2 * i), false, 128, strokesOf(i));
    struct Seen
    {
        QByteArray bits;
        QPoint last;
        bool modified;
    };
    std::vector<Seen> seen;
    host.onGlyph = [&] {
        seen.push_back({host.drawing.Canvas().Bits(), host.drawing.LastPoint(), host.drawing.IsModified()});
        if (seen.size() == 2) {
            // The third file has been drawn ahead by now (drawing it takes
            // microseconds); it is written again after that.
            QThread::msleep(50);
            AddFile(0x82A4, false, 128, strokesOf(9));
        }
    };
    host.box.answers = {true};
    creator.AutoCreateFromStrokeFiles();

    ASSERT_EQ(seen.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        CDrawingModel alone(host.drawing);
        alone.ClearCanvas();
        CAutoCreator::DrawStrokes(alone, strokesOf(i == 2 ? 9 : i));
        EXPECT_EQ(seen[i].bits, alone.Canvas().Bits()) << "file " << i;
        EXPECT_EQ(seen[i].last, alone.LastPoint()) << "file " << i;
        EXPECT_TRUE(seen[i].modified);
    }
    EXPECT_TRUE(host.box.messages.isEmpty());
}

TEST_F(AutoCreatorTest, ProgressForOneAndTwoHundredFiles)
{
    AddFile(0x41);
    host.box.answers = {true};
    creator.AutoCreateFromStrokeFiles();
    EXPECT_EQ(progress.positions, (std::vector<int>{100}));

    const QByteArray content = ReadAll(host.folder + "/U0041.stk");
    for (int i = 0; i < 199; ++i) {
        QFile copy(host.folder + QStringLiteral("/U%1.stk").arg(0x4E00 + i, 4, 16));
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
        copy.write(content);
    }
    progress.positions.clear();
    host.glyphs.clear();
    host.box.answers = {true};
    creator.AutoCreateFromStrokeFiles();
    EXPECT_EQ(host.glyphs.size(), 200u);
    std::vector<int> expected;
    for (int p = 1; p <= 100; ++p)
        expected.push_back(p);
    EXPECT_EQ(progress.positions, expected);
}

TEST_F(AutoCreatorTest, CancelEndsTheRunAfterTheNextFile)
{
    for (quint16 c = 0x41; c < 0x41 + 6; ++c)
        AddFile(c);
    host.onPump = [this](int i) {
        if (i == 1)
            creator.OnCancelAutoCreate();
    };
    host.box.answers = {true};
    creator.AutoCreateFromStrokeFiles();
    // Cancel during the pump after file 1 stops after file 2.
    EXPECT_EQ(host.glyphs.size(), 3u);

    // A cancel (or a window close) while a file is in hand stops after it.
    host.glyphs.clear();
    host.onPump = nullptr;
    host.onGlyph = [this] {
        if (host.glyphs.size() == 2)
            creator.RequestStop();
    };
    host.box.answers = {true};
    creator.AutoCreateFromStrokeFiles();
    EXPECT_EQ(host.glyphs.size(), 2u);
}

TEST_F(AutoCreatorTest, ABadFileStopsTheRunWithItsMessage)
{
    AddFile(0x41);
    AddFile(0x43);
    QFile bad(host.folder + "/U0042.stk");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("strk\x03\x00", 6));
    bad.close();
    host.box.answers = {true};
    creator.AutoCreateFromStrokeFiles();
    ASSERT_EQ(host.glyphs.size(), 1u);
    ASSERT_EQ(host.box.messages.size(), 2);
    EXPECT_EQ(host.box.messages[0], QString::fromUtf8("ファイル「%1」は上位バージョンのQuilleryで作成されたファイルです。")
                                        .arg(host.folder + "/U0042.stk"));
    // The run's closing message names the file and how far the run came.
    EXPECT_TRUE(host.box.messages[1].startsWith(
        QString::fromUtf8("ストロークファイル「%1」を読み込めないため、自動作成を中止しました。").arg(host.folder + "/U0042.stk")));
    EXPECT_TRUE(host.box.messages[1].contains(QString::fromUtf8("処理したファイルは1個、残りは2個です。")));
    EXPECT_TRUE(InkDots(host.drawing.Canvas()).empty());
    EXPECT_FALSE(creator.IsAutoCreating());
    EXPECT_EQ(progress.closed, 1);
}

TEST_F(AutoCreatorTest, GlyphFailuresGoToTheEmptiedLog)
{
    QFile old(LogPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("from an earlier run\n");
    old.close();
    AddFile(0x41);
    AddFile(0x82A0);
    AddFile(0x43);
    host.failing = {0x82A0};
    host.box.answers = {true};
    creator.AutoCreateFromStrokeFiles();
    EXPECT_EQ(host.glyphs.size(), 3u); // the run goes on
    EXPECT_EQ(QString::fromUtf8(ReadAll(LogPath())),
              QString::fromUtf8("0x82A0\tU3042.stk\tエラー:7 no glyph\n"));
    ASSERT_EQ(host.box.messages.size(), 1);
    const QString summary = host.box.messages[0];
    EXPECT_TRUE(summary.startsWith(QString::fromUtf8("自動作成が終わりました。\n2個の文字を"))) << summary.toStdString();
    EXPECT_TRUE(summary.contains(QString::fromUtf8("1個の文字は作成できませんでした。")));
    EXPECT_TRUE(summary.endsWith(
        QString::fromUtf8("作成に失敗した文字があります。\nログファイル「%1」をご参照ください。").arg(LogPath())));

    host.failing.clear();
    host.box.messages.clear();
    host.box.answers = {true};
    creator.AutoCreateFromStrokeFiles();
    EXPECT_TRUE(ReadAll(LogPath()).isEmpty());
    EXPECT_TRUE(host.box.messages.isEmpty());
    EXPECT_EQ(host.box.informations.size(), 1);
}

// Stroke files written elsewhere name a character by whatever code point
// their writer's decoder gave: the JIS twin of a Shift-JIS character is that
// character, and one without a Shift-JIS form fails by its own name.
TEST_F(AutoCreatorTest, FilesOfTwinAndForeignCodePoints)
{
    const auto addRaw = [&](const QString& name, quint16 unit) {
        QByteArray bytes("strk");
        for (const int word : {2, int(unit), 0, 128, 128, 1, 1, 20, 20}) {
            bytes.append(char(word & 0xFF));
            bytes.append(char(word >> 8));
        }
        QFile f(host.folder + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    addRaw("U301C.stk", 0x301C);
    addRaw("U00E9.stk", 0x00E9);
    host.box.answers = {true};
    creator.AutoCreateFromStrokeFiles();
    ASSERT_EQ(host.glyphs.size(), 1u);
    EXPECT_EQ(CharCode(host.glyphs[0].ch), 0x8160);
    EXPECT_EQ(QString::fromUtf8(ReadAll(LogPath())),
              QString::fromUtf8("0x0000\tU00E9.stk\t文字「é」（U+00E9）はシフトJISにない文字のため、フォントに入れられません。\n"));
}

// A run with nothing to log makes neither the log nor the documents folder
// it lives in; the first failure makes both.
TEST_F(AutoCreatorTest, TheLogAndItsFolderAreMadeOnlyForAFailure)
{
    const QString documents = m_tmp.path() + "/Documents";
    CAutoCreator lazy {host, progress, host.box, documents + "/log.txt"};
    host.creator = &lazy;
    AddFile(0x41);
    AddFile(0x42);
    host.box.answers = {true};
    lazy.AutoCreateFromStrokeFiles();
    EXPECT_EQ(host.glyphs.size(), 2u);
    EXPECT_FALSE(QFileInfo::exists(documents));

    host.failing = {0x42};
    host.box.answers = {true};
    lazy.AutoCreateFromStrokeFiles();
    EXPECT_EQ(QString::fromUtf8(ReadAll(documents + "/log.txt")), QString::fromUtf8("0x0042\tU0042.stk\tエラー:7 no glyph\n"));
}

// Counts are written one way everywhere: grouped by three with commas.
TEST(AutoCreatorTexts, CountsHaveSeparators)
{
    EXPECT_EQ(CAutoCreator::CountText(509, 3000), QStringLiteral("509 / 3,000"));
    CAutoCreator::Outcome outcome;
    outcome.files = 3158;
    outcome.done = 3000;
    outcome.created = 1811;
    outcome.failed = 1189;
    outcome.end = CAutoCreator::Outcome::End::Cancelled;
    outcome.fontName = QStringLiteral("/home/u/てがき.ttf");
    const QString summary = CAutoCreator::SummaryText(outcome, QStringLiteral("/log"));
    EXPECT_TRUE(summary.contains(QString::fromUtf8("1,811個の文字を /home/u/てがき.ttf に作成しました。")));
    EXPECT_TRUE(summary.contains(QString::fromUtf8("1,189個の文字は作成できませんでした。")));
    EXPECT_TRUE(summary.contains(QString::fromUtf8("処理したファイルは3,000個、残りは158個です。")));
    EXPECT_EQ(CAutoCreator::StatusText(outcome),
              QString::fromUtf8("自動作成を中止しました。1,811個の文字を /home/u/てがき.ttf に作成しました。"));
}

TEST_F(AutoCreatorTest, NeitherASecondRunNorThePenGetsInDuringARun)
{
    AddFile(0x41);
    AddFile(0x42);
    host.onPump = [this](int) {
        EXPECT_TRUE(creator.IsRunning());
        creator.AutoCreateFromStrokeFiles();
        // Nor does the pen draw between files.
        EXPECT_FALSE(host.drawing.OnButtonDown(PointerButton::Left, {5, 5}));
    };
    host.box.answers = {true, true};
    creator.AutoCreateFromStrokeFiles();
    EXPECT_EQ(host.box.questions.size(), 1);
    EXPECT_EQ(host.glyphs.size(), 2u);
    EXPECT_EQ(host.drawing.Strokes().size(), 1u);
    EXPECT_TRUE(host.drawing.OnButtonDown(PointerButton::Left, {5, 5}));
}

// What a stroke folder on a real disk may hold besides stroke files: many
// files, files that cannot be read, names that are not UTF-8, special files
// and links that lead nowhere or in a circle. Listing takes none of them
// that would block, and the run ends with a message, never a hang.
TEST_F(AutoCreatorTest, HostileFolderIsListedAndRunWithoutHangOrCrash)
{
    AddFile(0x41);
    const QByteArray folder = QFile::encodeName(host.folder);
    ASSERT_EQ(::symlink("U9999.stk", (folder + "/U8888.stk").constData()), 0); // to nothing
    ASSERT_EQ(::symlink("loop2.stk", (folder + "/loop1.stk").constData()), 0);
    ASSERT_EQ(::symlink("loop1.stk", (folder + "/loop2.stk").constData()), 0);
    ASSERT_EQ(::symlink(".", (folder + "/here.stk").constData()), 0); // a folder again
    // Opening a named pipe for reading would wait for a writer for ever.
    ASSERT_EQ(::mkfifo((folder + "/U0042.stk").constData(), 0600), 0);
    {
        std::ofstream odd((folder + "/U\xff\xfe.stk").toStdString(), std::ios::binary);
        odd << ReadAll(host.folder + "/U0041.stk").toStdString();
    }
    // A name that is not UTF-8 cannot be named back to the file system, so
    // it is not offered at all; this program never writes such names.
    EXPECT_EQ(CAutoCreator::ListStrokeFiles(host.folder), QStringList{"U0041.stk"});

    host.box.answers = {true};
    creator.AutoCreateFromStrokeFiles();
    ASSERT_EQ(host.glyphs.size(), 1u);
    EXPECT_EQ(host.glyphs[0].ch, QByteArray("A"));
    EXPECT_TRUE(host.box.messages.isEmpty());
    EXPECT_FALSE(creator.IsRunning());
    // Nor can the temporary folder's clean-up see it.
    ::unlink((folder + "/U\xff\xfe.stk").constData());

    // A folder that is itself a link in a circle holds no stroke files.
    const QByteArray circle = QFile::encodeName(m_tmp.path() + "/circle");
    ASSERT_EQ(::symlink(circle.constData(), circle.constData()), 0);
    EXPECT_TRUE(CAutoCreator::ListStrokeFiles(m_tmp.path() + "/circle").isEmpty());
}

// A file that opens but fails on reading, and (where permissions bind) one
// that cannot be opened: each stops the run with one message naming it.
TEST_F(AutoCreatorTest, UnreadableFilesStopTheRunWithTheirMessage)
{
    AddFile(0x42);
    const QString failing = host.folder + "/U0041.stk";
    ASSERT_TRUE(QFile::link("/proc/self/mem", failing)); // reading at 0 is an I/O error
    host.box.answers = {true};
    creator.AutoCreateFromStrokeFiles();
    EXPECT_TRUE(host.glyphs.empty());
    ASSERT_EQ(host.box.messages.size(), 2);
    EXPECT_TRUE(host.box.messages[0].contains(failing));
    EXPECT_FALSE(creator.IsRunning());

    if (::geteuid() == 0)
        return; // file permissions do not bind the super-user
    QFile::remove(failing);
    const QString locked = host.folder + "/U0042.stk";
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    host.box.messages.clear();
    host.box.answers = {true};
    creator.AutoCreateFromStrokeFiles();
    EXPECT_TRUE(host.glyphs.empty());
    ASSERT_FALSE(host.box.messages.isEmpty());
    EXPECT_EQ(host.box.messages[0], QString::fromUtf8("ファイル「%1」のオープンに失敗しました。").arg(locked));
}

TEST_F(AutoCreatorTest, ThousandsOfFilesAreListedInOrder)
{
    const QByteArray content = [this] {
        AddFile(0x41);
        return ReadAll(host.folder + "/U0041.stk");
    }();
    QFile::remove(host.folder + "/U0041.stk");
    constexpr int kFiles = 5000;
    // Written from the top down, so the listing cannot be in order by chance.
    for (int i = kFiles - 1; i >= 0; --i) {
        QFile f(host.folder + "/U" + QString::number(0x4E00 + i, 16).toUpper() + ".stk");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const QStringList names = CAutoCreator::ListStrokeFiles(host.folder);
    ASSERT_EQ(names.size(), kFiles);
    // Upper-case hex names of one length sort as their numbers do.
    for (int i = 0; i < kFiles; ++i)
        ASSERT_EQ(names[i].mid(1, 4).toInt(nullptr, 16), 0x4E00 + i) << names[i].toStdString();
}
