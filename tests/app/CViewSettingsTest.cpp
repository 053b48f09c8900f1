#include "app/CFontFilePathWriter.h"
#include "app/CSettingsStore.h"
#include "app/CViewSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kSection = CViewSettings::kSection;
const QSize kLargeWorkArea(1920, 1040);

class ViewSettingsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    CSettingsStore store {dir.filePath(QStringLiteral("settings.ini"))};

    bool Has(const QString& name) const
    {
        QByteArray any;
        QString text;
        int32_t n = 0;
        return store.ReadRegBinary(kSection, name, any) || store.ReadRegString(kSection, name, text)
            || store.ReadRegDword(kSection, name, n);
    }
    int Dword(const QString& name) const
    {
        int32_t n = -12345;
        store.ReadRegDword(kSection, name, n);
        return n;
    }
};

} // namespace

TEST_F(ViewSettingsTest, FirstRunTakesDefaultsAndStoresOnlyTheCanvasSide)
{
    CViewSettings settings;
    settings.Read(store, kLargeWorkArea, QStringLiteral("/home/u/Documents"));

    EXPECT_EQ(settings.m_nBmpSize, 512);
    EXPECT_EQ(settings.m_nToolSize, 2);
    EXPECT_TRUE(settings.m_bViewSample);
    EXPECT_FALSE(settings.m_bViewGrid);
    EXPECT_EQ(settings.m_nGridSize, 3);
    EXPECT_FALSE(settings.m_bDoAndNext);
    EXPECT_FALSE(settings.m_bWriteStrokeFile);
    EXPECT_EQ(settings.m_strStrkFolderPath, QStringLiteral("/home/u/Documents/ストロークファイル"));
    EXPECT_EQ(settings.m_strFaceName, QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(settings.m_strChar, QStringLiteral("あ"));
    EXPECT_EQ(settings.m_penBits, CViewSettings::DefaultPenBits());

    EXPECT_EQ(Dword(QStringLiteral("BmpSize")), 512);
    for (const char* name : {"ToolSize", "BmpPenData", "ViewSample", "ViewGrid", "Char", "FaceName", "FontFilePath"})
        EXPECT_FALSE(Has(QString::fromLatin1(name))) << name;
}

TEST_F(ViewSettingsTest, WorkAreaThresholdsPickTheDefaultSide)
{
    EXPECT_EQ(CViewSettings::DefaultBmpSize({574, 640}), 512);
    EXPECT_EQ(CViewSettings::DefaultBmpSize({573, 640}), 448);
    EXPECT_EQ(CViewSettings::DefaultBmpSize({574, 639}), 448);
}

TEST_F(ViewSettingsTest, UnusableCanvasSideFallsBackToTheWorkAreaDefault)
{
    for (int stored : {0, -512, 100000, 500, 129}) {
        store.WriteRegDword(kSection, QStringLiteral("BmpSize"), stored);
        CViewSettings settings;
        settings.Read(store, QSize(800, 600), QString());
        EXPECT_EQ(settings.m_nBmpSize, 448) << stored;
        EXPECT_EQ(Dword(QStringLiteral("BmpSize")), 448) << stored;
    }
    store.WriteRegDword(kSection, QStringLiteral("BmpSize"), 160);
    CViewSettings settings;
    settings.Read(store, kLargeWorkArea, QString());
    EXPECT_EQ(settings.m_nBmpSize, 160);
}

TEST_F(ViewSettingsTest, StoredValuesAreUsedAsTheyAre)
{
    store.WriteRegString(kSection, QStringLiteral("Char"), QString());
    store.WriteRegString(kSection, QStringLiteral("FaceName"), QString());
    store.WriteRegString(kSection, QStringLiteral("StrkFolderPath"), QString());
    store.WriteRegDword(kSection, QStringLiteral("ToolSize"), 7);
    store.WriteRegDword(kSection, QStringLiteral("GridSize"), -4);
    store.WriteRegDword(kSection, QStringLiteral("ViewSample"), 0);
    store.WriteRegDword(kSection, QStringLiteral("ViewGrid"), 5);
    store.WriteRegDword(kSection, QStringLiteral("DoAndNext"), 1);
    store.WriteRegDword(kSection, QStringLiteral("WriteStrokeFile"), 1);

    CViewSettings settings;
    settings.Read(store, kLargeWorkArea, QStringLiteral("/docs"));
    EXPECT_TRUE(settings.m_strChar.isEmpty());
    EXPECT_TRUE(settings.m_strFaceName.isEmpty());
    EXPECT_TRUE(settings.m_strStrkFolderPath.isEmpty());
    EXPECT_EQ(settings.m_nToolSize, 7);
    EXPECT_EQ(settings.m_nGridSize, -4);
    EXPECT_FALSE(settings.m_bViewSample);
    EXPECT_TRUE(settings.m_bViewGrid);
    EXPECT_TRUE(settings.m_bDoAndNext);
    EXPECT_TRUE(settings.m_bWriteStrokeFile);

    settings.WriteAtShutdown(store);
    EXPECT_EQ(Dword(QStringLiteral("ToolSize")), 7);
    EXPECT_EQ(Dword(QStringLiteral("ViewGrid")), 1);
}

TEST_F(ViewSettingsTest, PenDataIsPaddedWithPaperOrCut)
{
    store.WriteRegBinary(kSection, QStringLiteral("BmpPenData"), QByteArray(100, 0x11));
    CViewSettings shortPen;
    shortPen.Read(store, kLargeWorkArea, QString());
    ASSERT_EQ(shortPen.m_penBits.size(), 512);
    EXPECT_EQ(shortPen.m_penBits.left(100), QByteArray(100, 0x11));
    EXPECT_EQ(shortPen.m_penBits.mid(100), QByteArray(412, char(0xFF)));

    QByteArray longData(600, 0x22);
    longData[511] = 0x33;
    store.WriteRegBinary(kSection, QStringLiteral("BmpPenData"), longData);
    CViewSettings longPen;
    longPen.Read(store, kLargeWorkArea, QString());
    ASSERT_EQ(longPen.m_penBits.size(), 512);
    EXPECT_EQ(longPen.m_penBits.at(511), 0x33);

    longPen.WriteAtShutdown(store);
    QByteArray written;
    ASSERT_TRUE(store.ReadRegBinary(kSection, QStringLiteral("BmpPenData"), written));
    EXPECT_EQ(written.size(), 512);
}

TEST_F(ViewSettingsTest, BuiltInPenIsAMiddleBar)
{
    const QByteArray bits = CViewSettings::DefaultPenBits();
    const QByteArray barRow = QByteArray::fromHex("FF000000000000FF");
    for (int row = 0; row < 64; ++row) {
        const QByteArray expected = row >= 28 && row <= 35 ? barRow : QByteArray(8, char(0xFF));
        EXPECT_EQ(bits.mid(row * 8, 8), expected) << row;
    }
}

TEST_F(ViewSettingsTest, FaceNameKeepsAtMost31ShiftJisBytes)
{
    const QString ascii40(40, QLatin1Char('A'));
    store.WriteRegString(kSection, QStringLiteral("FaceName"), ascii40);
    CViewSettings settings;
    settings.Read(store, kLargeWorkArea, QString());
    EXPECT_EQ(settings.m_strFaceName, QString(31, QLatin1Char('A')));
    settings.WriteAtShutdown(store);
    QString written;
    store.ReadRegString(kSection, QStringLiteral("FaceName"), written);
    EXPECT_EQ(written, QString(31, QLatin1Char('A')));

    // Two-byte characters are never split: 15 of them take 30 bytes.
    EXPECT_EQ(CViewSettings::TruncateFaceName(QString(20, QChar(0x3042))), QString(15, QChar(0x3042)));
    EXPECT_EQ(CViewSettings::TruncateFaceName(QStringLiteral("ＭＳ ゴシック")), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(CViewSettings::TruncateFaceName(QString(40, QChar(0xFF71))), QString(31, QChar(0xFF71)));
}

class FontFilePathTest : public ViewSettingsTest
{
protected:
    QString Stored() const
    {
        QString text = QStringLiteral("<unwritten>");
        store.ReadRegString(kSection, QStringLiteral("FontFilePath"), text);
        return text;
    }
};

TEST_F(FontFilePathTest, WithoutAnEditorTheFieldTextIsStored)
{
    CFontFilePathWriter::Write(store, QStringLiteral("/a.ttf"), nullptr);
    EXPECT_EQ(Stored(), QStringLiteral("/a.ttf"));
}

TEST_F(FontFilePathTest, TheEditorSessionDecidesWhatIsStored)
{
    QString seenField;
    CFontFilePathWriter::Write(store, QStringLiteral("/field.ttf"), [&](const QString& field) {
        seenField = field;
        return std::optional<QString>(QStringLiteral("/fonts/mine.ttf"));
    });
    EXPECT_EQ(seenField, QStringLiteral("/field.ttf"));
    EXPECT_EQ(Stored(), QStringLiteral("/fonts/mine.ttf"));

    // a failed editor keeps the stored value
    CFontFilePathWriter::Write(store, QStringLiteral("/other.ttf"),
                               [](const QString&) { return std::optional<QString>(); });
    EXPECT_EQ(Stored(), QStringLiteral("/fonts/mine.ttf"));
}

TEST(ViewSettingsCommands, SampleAndGridToggleWithTheirCheckMarks)
{
    CViewSettings settings;
    EXPECT_EQ(settings.UpdateCommand(32812), (CommandState {true, true}));
    EXPECT_EQ(settings.UpdateCommand(32813), (CommandState {true, false}));
    EXPECT_TRUE(settings.OnCommand(32812));
    EXPECT_TRUE(settings.OnCommand(32813));
    EXPECT_FALSE(settings.m_bViewSample);
    EXPECT_TRUE(settings.m_bViewGrid);
    EXPECT_EQ(settings.UpdateCommand(32812), (CommandState {true, false}));
    EXPECT_EQ(settings.UpdateCommand(32813), (CommandState {true, true}));
    EXPECT_FALSE(settings.OnCommand(32771));
}

TEST_F(ViewSettingsTest, OptionsStoreOnlyWhatChanged)
{
    CViewSettings settings;
    settings.m_strStrkFolderPath = QStringLiteral("/home/u/Strokes");
    COptionValues chosen = settings.Options();
    chosen.strkFolderPath = QStringLiteral("/HOME/U/strokes");  // only the letter case differs
    auto changes = settings.ApplyOptions(chosen, &store);
    EXPECT_FALSE(changes.strkFolderPath);
    EXPECT_EQ(settings.m_strStrkFolderPath, QStringLiteral("/home/u/Strokes"));
    for (const char* name : {"DoAndNext", "GridSize", "WriteStrokeFile", "StrkFolderPath", "BmpSize"})
        EXPECT_FALSE(Has(QString::fromLatin1(name))) << name;

    chosen.gridSize = 7;
    chosen.writeStrokeFile = true;
    chosen.bmpSize = 256;
    changes = settings.ApplyOptions(chosen, &store);
    EXPECT_TRUE(changes.gridSize && changes.writeStrokeFile && changes.bmpSize);
    EXPECT_EQ(Dword(QStringLiteral("GridSize")), 7);
    EXPECT_EQ(Dword(QStringLiteral("WriteStrokeFile")), 1);
    EXPECT_FALSE(Has(QStringLiteral("DoAndNext")));
    // the side is left to the canvas change, which stores it itself
    EXPECT_FALSE(Has(QStringLiteral("BmpSize")));
    EXPECT_EQ(settings.m_nBmpSize, 512);

    // Going on to the next missing character is off until chosen, and is
    // kept in a group of its own.
    EXPECT_FALSE(settings.m_bNextMissing);
    chosen.nextMissing = true;
    EXPECT_TRUE(settings.ApplyOptions(chosen, &store).nextMissing);
    EXPECT_FALSE(Has(QStringLiteral("NextMissingAfterExecute")));
    CViewSettings again;
    again.Read(store, kLargeWorkArea, dir.path());
    EXPECT_TRUE(again.m_bNextMissing);
}

TEST_F(ViewSettingsTest, GarbageAndHugeValuesFallBackOrStayHarmless)
{
    {
        QFile file(store.FilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Settings]\nBmpSize=99999999999999\nToolSize=@ByteArray(\\x1)\nGridSize=1e9\n"
                   "ViewGrid=yes please\nFaceName=@Variant(\\0\\0\\0\\x7f)\n\x01\x02\xff\xfe garbage ]]][[\n"
                   "BmpPenData=not bytes\nChar=@ByteArray(\\xff\\xfe\\xfd)\n");
    }
    CViewSettings settings;
    settings.Read(store, kLargeWorkArea, QStringLiteral("/home/u/Documents"));
    EXPECT_EQ(settings.m_nBmpSize, 512);
    EXPECT_EQ(settings.m_nToolSize, 2);
    EXPECT_EQ(settings.m_nGridSize, 3);
    EXPECT_FALSE(settings.m_bViewGrid);
    EXPECT_EQ(settings.m_strFaceName, QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(settings.m_penBits, CViewSettings::DefaultPenBits());
    EXPECT_EQ(settings.m_strChar, QStringLiteral("あ"));
}
