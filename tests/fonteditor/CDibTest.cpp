#include "fonteditor/CDib.h"
#include "fonteditor/FileErrorText.h"
#include "support/FakeMessageBox.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

const QString kInvalid = QStringLiteral("このビットマップ ファイルは無効です。");

class DibTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    FakeMessageBox messages;

    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    bool Read(CDib& dib, const QByteArray& bytes, QString& error)
    {
        QFile file(WriteFile(QStringLiteral("in.bmp"), bytes));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return dib.ReadDib(file, error, &messages);
    }
};

void Patch32(QByteArray& bytes, int offset, uint32_t value)
{
    qToLittleEndian<uint32_t>(value, bytes.data() + offset);
}

} // namespace

TEST_F(DibTest, TemplatesOfEverySideReadWithTheirSizes)
{
    for (int side : {128, 160, 192, 256, 448, 512}) {
        CDib dib;
        QString error;
        ASSERT_TRUE(Read(dib, CDib::BlankOneBitFile(side, side), error)) << side;
        EXPECT_EQ(dib.Width(), side);
        EXPECT_EQ(dib.Height(), side);
        EXPECT_EQ(dib.BitCount(), 1);
        EXPECT_EQ(dib.Stride(), (side + 31) / 32 * 4);
        EXPECT_EQ(dib.ImageSize(), static_cast<uint32_t>(dib.Stride() * side));
        EXPECT_EQ(dib.Colors(), 2);
        ASSERT_EQ(dib.Palette().size(), 2u);
        EXPECT_EQ(dib.Palette()[0], (std::array<uint8_t, 3> {0, 0, 0}));
        EXPECT_EQ(dib.Palette()[1], (std::array<uint8_t, 3> {255, 255, 255}));
    }
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(DibTest, WrittenFileHasTheHeaderTableAndPixels)
{
    CDib dib;
    QString error;
    ASSERT_TRUE(Read(dib, CDib::BlankOneBitFile(160, 160), error));
    dib.Bits()[0] = 0x0F;
    dib.Bits().back() = 0x00;

    QBuffer buffer;
    QFile out(dir.filePath(QStringLiteral("out.bmp")));
    ASSERT_TRUE(out.open(QIODevice::ReadWrite));
    ASSERT_TRUE(dib.WriteDib(out, &messages));
    EXPECT_EQ(out.pos(), 0);
    const QByteArray bytes = out.readAll();

    const uint32_t imageSize = 20 * 160;
    ASSERT_EQ(bytes.size(), static_cast<qsizetype>(54 + 8 + imageSize));
    EXPECT_TRUE(bytes.startsWith("BM"));
    EXPECT_EQ(qFromLittleEndian<uint32_t>(bytes.constData() + 2), 54 + 8 + imageSize);
    EXPECT_EQ(qFromLittleEndian<uint32_t>(bytes.constData() + 6), 0u);
    EXPECT_EQ(qFromLittleEndian<uint32_t>(bytes.constData() + 10), 62u);
    EXPECT_EQ(bytes.mid(14, 48), dib.Info().left(48));
    EXPECT_EQ(static_cast<uint8_t>(bytes.at(62)), 0x0F);
    EXPECT_EQ(bytes.back(), 0);

    CDib again;
    out.seek(0);
    ASSERT_TRUE(again.ReadDib(out, error, nullptr));
    EXPECT_EQ(again.Bits(), dib.Bits());
}

// A header that claims more than the file holds, or sizes that contradict
// each other, is refused before any buffer is sized from it.
TEST_F(DibTest, DamagedFilesAreRefusedWithTheirReason)
{
    const QByteArray good = CDib::BlankOneBitFile(128, 128);
    const QString endOfFile = FileErrorText(FileError::kEndOfFile);
    struct Case
    {
        const char* name;
        QByteArray bytes;
        QString reason;
    };
    auto patched = [&](int offset, uint32_t value) {
        QByteArray bytes = good;
        Patch32(bytes, offset, value);
        return bytes;
    };
    const std::vector<Case> cases = {
        {"empty", QByteArray(), kInvalid},
        {"short header", good.left(10), kInvalid},
        {"not BM", QByteArray("XY") + good.mid(2), kInvalid},
        {"offset inside header", patched(10, 20), kInvalid},
        {"offset past the end", patched(10, 0xFFFFFFF0u), endOfFile},
        {"info block cut", good.left(40), endOfFile},
        {"pixels cut", good.left(good.size() - 1), endOfFile},
        {"zero width", patched(18, 0), kInvalid},
        {"huge height", patched(22, 0x7FFFFFFF), kInvalid},
        // Found by fuzzing: its size was once taken by negating an int.
        {"most negative height", patched(22, 0x80000000u), kInvalid},
        {"odd bit count", patched(26, 1 | (3u << 16)), kInvalid},
        {"image size below rows", patched(34, 16), kInvalid},
        {"image size past the end", patched(34, 0x10000000), endOfFile},
        {"colour table past info", patched(46, 1000), kInvalid},
    };
    for (const Case& c : cases) {
        CDib dib;
        QString error;
        messages.messages.clear();
        EXPECT_FALSE(Read(dib, c.bytes, error)) << c.name;
        EXPECT_TRUE(error.endsWith(c.reason)) << c.name << " " << error.toStdString();
        EXPECT_EQ(messages.messages, QStringList {error}) << c.name;
        EXPECT_TRUE(dib.IsEmpty()) << c.name;
    }
}

TEST_F(DibTest, ReadFailureQuotesTheFile)
{
    CDib dib;
    QString error;
    const QString path = WriteFile(QStringLiteral("cut.bin"), CDib::BlankOneBitFile(128, 128).left(100));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(dib.ReadDib(file, error, nullptr));
    EXPECT_EQ(error, QStringLiteral("ファイル%1の読み込みに失敗しました。\n原因：ファイルの終わりに到達").arg(path));
}

TEST_F(DibTest, WritingAnEmptyOrFailingFileReportsFailure)
{
    CDib empty;
    QFile out(dir.filePath(QStringLiteral("x.bmp")));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    EXPECT_FALSE(empty.WriteDib(out, &messages));

    CDib dib;
    QString error;
    ASSERT_TRUE(Read(dib, CDib::BlankOneBitFile(128, 128), error));
    QFile readOnly(WriteFile(QStringLiteral("ro.bmp"), "x"));
    ASSERT_TRUE(readOnly.open(QIODevice::ReadOnly));
    EXPECT_FALSE(dib.WriteDib(readOnly, &messages));
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages.front().startsWith(QStringLiteral("ファイル%1の書き込みに失敗しました。").arg(readOnly.fileName())));
}

TEST(FileErrorTextTest, EveryCauseHasItsText)
{
    EXPECT_EQ(FileErrorText(0), QStringLiteral("エラーなし"));
    EXPECT_EQ(FileErrorText(2), QStringLiteral("ファイルが見つからない"));
    EXPECT_EQ(FileErrorText(5), QStringLiteral("ファイル アクセス禁止"));
    EXPECT_EQ(FileErrorText(13), QStringLiteral("ディスクの空き容量が足りない"));
    EXPECT_EQ(FileErrorText(14), QStringLiteral("ファイルの終わりに到達"));
    EXPECT_EQ(FileErrorText(1), QStringLiteral("未定義エラー"));
    EXPECT_EQ(FileErrorText(15), QStringLiteral("未定義エラー"));
    EXPECT_EQ(FileErrorText(-1), QStringLiteral("未定義エラー"));
    QStringList all;
    for (int cause = 0; cause <= 14; ++cause)
        all << FileErrorText(cause);
    all.removeDuplicates();
    EXPECT_EQ(all.size(), 15);
}

TEST_F(DibTest, RowCopiesStayInsideTheBitmap)
{
    CDib dib;
    QString error;
    ASSERT_TRUE(Read(dib, CDib::BlankOneBitFile(9, 2), error));
    ASSERT_EQ(dib.Stride(), 4);
    const uint8_t ink[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    dib.SetRowBytes(0, ink, 2);
    dib.SetRowBytes(1, ink, 8);
    dib.SetRowBytes(2, ink, 8);
    dib.SetRowBytes(-1, ink, 8);
    const std::vector<uint8_t> expected = {0, 0, 0xFF, 0xFF, 0, 0, 0, 0};
    EXPECT_EQ(dib.Bits(), expected);
    EXPECT_TRUE(dib.Fits(9, 2));
    EXPECT_FALSE(dib.Fits(9, 3));
    EXPECT_FALSE(CDib().Fits(0, 0));
}
