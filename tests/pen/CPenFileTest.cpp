#include "pen/CPenFile.h"

#include "canvas/CCanvasBitmap.h"

#include "support/FakeMessageBox.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString kNotPenFile = QStringLiteral("Quillery用のペンファイルではありません。");
const QString kNewerVersion =
    QStringLiteral("上位バージョンのQuilleryで保存されたペンファイルのため、このバージョンでは開くことができません。");
const QString kDamaged = QStringLiteral("ファイルが壊れています。");

class PenFileTest : public ::testing::Test
{
protected:
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    static void WriteFile(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(content), content.size());
    }

    static QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static CPenTip::Bits Pattern()
    {
        CPenTip::Bits bits;
        for (size_t i = 0; i < bits.size(); ++i)
            bits[i] = static_cast<uint8_t>(i * 7 + 3);
        return bits;
    }

    // Loading `content` fails with `message` and leaves the tip, stamp included.
    void ExpectRefused(const QByteArray& content, const QString& message)
    {
        const QString path = Path("bad.pen");
        WriteFile(path, content);
        CPenTip tip;
        const CPenTip::Bits before = tip.PenBits();
        FakeMessageBox box;
        EXPECT_FALSE(CPenFile::LoadPenFile(path, tip, box));
        EXPECT_EQ(tip.PenBits(), before);
        EXPECT_EQ(box.messages, QStringList {message});
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(PenFileTest, BuiltInTipSavesAs528BytesWithTheTipAfterTheHeader)
{
    FakeMessageBox box;
    const CPenTip tip;
    ASSERT_TRUE(CPenFile::SavePenFile(Path("a.pen"), tip.PenBits(), box));
    const QByteArray content = ReadFile(Path("a.pen"));

    ASSERT_EQ(content.size(), 528);
    EXPECT_EQ(content.left(8), QByteArray("Quillery"));
    EXPECT_EQ(qFromLittleEndian<quint32>(content.constData() + 8), 1u);
    EXPECT_EQ(qFromLittleEndian<quint16>(content.constData() + 12), 64);
    EXPECT_EQ(qFromLittleEndian<quint16>(content.constData() + 14), 64);
    EXPECT_EQ(content.mid(16), QByteArray(reinterpret_cast<const char*>(tip.PenBits().data()), 512));
    EXPECT_TRUE(box.messages.isEmpty());
}

TEST_F(PenFileTest, LoadReplacesTipAndStampAndVersionZeroIsAccepted)
{
    FakeMessageBox box;
    ASSERT_TRUE(CPenFile::SavePenFile(Path("a.pen"), Pattern(), box));
    CPenTip tip;
    ASSERT_TRUE(CPenFile::LoadPenFile(Path("a.pen"), tip, box));
    EXPECT_EQ(tip.PenBits(), Pattern());

    // The stamp follows: a tip of paper with one ink dot stamps that dot.
    CPenTip::Bits single;
    single.fill(0xFF);
    single[0] = 0x7F; // column 0 of the bottom row
    QByteArray content = CPenFile::Build(single);
    qToLittleEndian<quint32>(0, content.data() + 8);
    WriteFile(Path("v0.pen"), content);
    ASSERT_TRUE(CPenFile::LoadPenFile(Path("v0.pen"), tip, box));
    CCanvasBitmap canvas(128, 128);
    tip.Stamp(canvas, 64, 64, false);
    EXPECT_TRUE(canvas.IsInk(32, 32));
    EXPECT_FALSE(canvas.IsInk(33, 32));
    EXPECT_TRUE(box.messages.isEmpty());
}

TEST_F(PenFileTest, EachRejectionNamesItsCauseAndLeavesTheTip)
{
    const QByteArray good = CPenFile::Build(Pattern());
    auto withField = [&good](int offset, int size, quint32 value) {
        QByteArray content = good;
        if (size == 4)
            qToLittleEndian<quint32>(value, content.data() + offset);
        else
            qToLittleEndian<quint16>(static_cast<quint16>(value), content.data() + offset);
        return content;
    };

    ExpectRefused(QByteArray("QUILLERY") + good.mid(8), kNotPenFile);
    ExpectRefused(QByteArray("Quill"), kNotPenFile);
    ExpectRefused(QByteArray(), kNotPenFile);
    ExpectRefused(withField(8, 4, 2), kNewerVersion);
    ExpectRefused(withField(8, 4, 0xFFFFFFFFu), kNewerVersion);
    ExpectRefused(withField(12, 2, 7), kDamaged);   // no whole byte a row
    ExpectRefused(withField(14, 2, 65), kDamaged);  // 520 bytes, past the tip
    ExpectRefused(withField(12, 2, 32), kDamaged);  // fits, but not the 64 x 64 tip
    ExpectRefused(good.left(10), kDamaged);         // version cut short
    ExpectRefused(good.left(14), kDamaged);         // size cut short
    ExpectRefused(good.left(527), kDamaged);        // image cut short
}

TEST_F(PenFileTest, TrailingBytesAfterTheImageAreIgnored)
{
    WriteFile(Path("long.pen"), CPenFile::Build(Pattern()) + QByteArray(100, 'x'));
    CPenTip tip;
    FakeMessageBox box;
    EXPECT_TRUE(CPenFile::LoadPenFile(Path("long.pen"), tip, box));
    EXPECT_EQ(tip.PenBits(), Pattern());
}

TEST_F(PenFileTest, FilesThatCannotBeOpenedAreReportedWithTheirPath)
{
    FakeMessageBox box;
    CPenTip tip;
    const CPenTip::Bits before = tip.PenBits();
    const QString missing = Path("missing.pen");
    EXPECT_FALSE(CPenFile::LoadPenFile(missing, tip, box));
    EXPECT_EQ(tip.PenBits(), before);

    const QString noFolder = Path("no/such/folder/a.pen");
    EXPECT_FALSE(CPenFile::SavePenFile(noFolder, Pattern(), box));
    EXPECT_EQ(box.messages, (QStringList {QStringLiteral("ファイル%1のオープンに失敗しました。").arg(missing),
                                          QStringLiteral("ファイル%1のオープンに失敗しました。").arg(noFolder)}));
}

TEST_F(PenFileTest, ReadingAFolderIsReportedNotThrown)
{
    FakeMessageBox box;
    CPenTip tip;
    const CPenTip::Bits before = tip.PenBits();
    EXPECT_FALSE(CPenFile::LoadPenFile(dir.path(), tip, box));
    EXPECT_EQ(tip.PenBits(), before);
    ASSERT_EQ(box.messages.size(), 1);
    EXPECT_TRUE(box.messages[0].contains(dir.path()));
}

// A file size limit stands in for a full disk: the write fails part way.
TEST_F(PenFileTest, FailedSaveKeepsTheOlderFileWhole)
{
    FakeMessageBox box;
    const QString path = Path("keep.pen");
    ASSERT_TRUE(CPenFile::SavePenFile(path, Pattern(), box));
    const QByteArray before = ReadFile(path);

    CPenTip::Bits other;
    other.fill(0);
    rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = CPenFile::SavePenFile(path, other, box);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(box.messages, QStringList {QStringLiteral("ファイル%1の書き込みに失敗しました。").arg(path)});
}
