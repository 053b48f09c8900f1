#include "app/CSessionStateWriter.h"

#include "app/CViewSettings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SessionStateWriterTest : public ::testing::Test
{
protected:
    QString Stored(const char* name) const
    {
        const QSettings ini(store.FilePath(), QSettings::IniFormat);
        return ini.value(QStringLiteral("Settings/") + QString::fromLatin1(name), QStringLiteral("<none>")).toString();
    }

    QTemporaryDir dir;
    CSettingsStore store {dir.filePath(QStringLiteral("3.1.0.ini"))};
    CViewSettings settings;
    CSessionStateWriter writer {store, [this] { return settings.SessionValues(); }};
};

} // namespace

// What changed since the file was read is written, and nothing else: values
// the user never changed stay out of the file as they would until an orderly
// end. A burst of changes waits for one write.
TEST_F(SessionStateWriterTest, OnlyChangedValuesAreWrittenOnceTheChangesPause)
{
    writer.SetStored(settings.SessionValues(), QString());
    settings.m_strChar = QStringLiteral("さ");
    for (int i = 0; i < 50; ++i)
        writer.NoteChanged();
    EXPECT_TRUE(writer.IsPending());
    EXPECT_FALSE(QFile::exists(store.FilePath()));
    writer.Flush();
    EXPECT_FALSE(writer.IsPending());
    EXPECT_EQ(Stored("Char"), QStringLiteral("さ"));
    EXPECT_EQ(Stored("ToolSize"), QStringLiteral("<none>"));

    settings.m_nToolSize = 4;
    settings.m_penBits[0] = 0;
    writer.Flush();
    EXPECT_EQ(Stored("ToolSize"), QStringLiteral("4"));
    QByteArray pen;
    ASSERT_TRUE(store.ReadRegBinary(CViewSettings::kSection, QStringLiteral("BmpPenData"), pen));
    EXPECT_EQ(pen, settings.m_penBits);

    // What is stored is not written again: a value put in by hand since
    // stays as it is.
    store.WriteRegString(CViewSettings::kSection, QStringLiteral("Char"), QStringLiteral("ん"));
    writer.NoteChanged();
    writer.Flush();
    EXPECT_EQ(Stored("Char"), QStringLiteral("ん"));
}

// The font a glyph went into is stored at once, and only when it is another
// font than the stored one.
TEST_F(SessionStateWriterTest, TheFontInUseIsStoredWhenItChanges)
{
    writer.SetStored(settings.SessionValues(), QStringLiteral("/fonts/old.ttf"));
    writer.StoreFontInUse(QStringLiteral("/fonts/old.ttf"));
    EXPECT_FALSE(QFile::exists(store.FilePath()));
    writer.StoreFontInUse(QStringLiteral("/fonts/まる.ttf"));
    EXPECT_EQ(Stored("FontFilePath"), QStringLiteral("/fonts/まる.ttf"));
    store.WriteRegString(CViewSettings::kSection, QStringLiteral("FontFilePath"), QStringLiteral("/by/hand.ttf"));
    writer.StoreFontInUse(QStringLiteral("/fonts/まる.ttf"));
    EXPECT_EQ(Stored("FontFilePath"), QStringLiteral("/by/hand.ttf"));
}
