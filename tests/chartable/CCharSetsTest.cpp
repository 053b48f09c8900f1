#include "chartable/CCharSets.h"
#include "chartable/CFontMetrics.h"
#include "chartable/CGlyphCodes.h"
#include "fonteditor/CVerticalCharTable.h"
#include "strokes/CodePage932.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QHash<QString, ECharSet> SetsByName()
{
    return {{"Ascii", ECharSet::Ascii},         {"HalfKana", ECharSet::HalfKana},
            {"Symbols", ECharSet::Symbols},     {"FullAlnum", ECharSet::FullAlnum},
            {"Hiragana", ECharSet::Hiragana},   {"Katakana", ECharSet::Katakana},
            {"GreekCyrillic", ECharSet::GreekCyrillic}, {"Kanji1", ECharSet::Kanji1},
            {"Kanji2", ECharSet::Kanji2},       {"All", ECharSet::All}};
}

QString Hex(const QList<quint16>& codes)
{
    QStringList parts;
    for (quint16 c : codes.mid(0, 20))
        parts << QString::number(c, 16).toUpper();
    return parts.join(' ') + (codes.size() > 20 ? " ..." : "");
}

} // namespace

// The reference is Python's cp932 codec with its Unicode database, read by a
// script of its own; a character the two readings put in different sets, or
// that only one of them takes, is a fault in one of them.
TEST(CharSets, EverySetIsWhatASecondReadingOfTheCodePageFinds)
{
    QFile file(QStringLiteral(CHAR_SETS_REFERENCE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << CHAR_SETS_REFERENCE;
    const QHash<QString, ECharSet> sets = SetsByName();
    int seen = 0;
    while (!file.atEnd()) {
        const QStringList fields = QString::fromLatin1(file.readLine().trimmed()).split(' ', Qt::SkipEmptyParts);
        ASSERT_TRUE(sets.contains(fields.value(0))) << fields.value(0).toStdString();
        const ECharSet set = sets.value(fields[0]);
        QSet<quint16> expected;
        for (const QString& unit : fields.mid(1))
            expected.insert(static_cast<quint16>(unit.toUInt(nullptr, 16)));
        QSet<quint16> actual;
        for (const CCharCell& cell : CCharSets::Cells(set)) {
            EXPECT_FALSE(cell.vertical);
            actual.insert(CharToUnicode(cell.code));
        }
        QList<quint16> missing = (expected - actual).values();
        QList<quint16> extra = (actual - expected).values();
        std::sort(missing.begin(), missing.end());
        std::sort(extra.begin(), extra.end());
        EXPECT_TRUE(missing.isEmpty()) << fields[0].toStdString() << " lacks " << Hex(missing).toStdString();
        EXPECT_TRUE(extra.isEmpty()) << fields[0].toStdString() << " has more: " << Hex(extra).toStdString();
        EXPECT_EQ(CCharSets::Cells(set).size(), expected.size()) << fields[0].toStdString() << " holds a character twice";
        ++seen;
    }
    EXPECT_EQ(seen, sets.size());
    // The counts a user knows the two kanji levels by.
    EXPECT_EQ(CCharSets::Cells(ECharSet::Kanji1).size(), 2965);
    EXPECT_EQ(CCharSets::Cells(ECharSet::Kanji2).size(), 3390);
}

TEST(CharSets, VerticalSetIsTheVerticalFormsAndTheOthersDoNotOverlap)
{
    const QList<CCharCell>& vertical = CCharSets::Cells(ECharSet::Vertical);
    ASSERT_EQ(vertical.size(), 112);
    for (size_t i = 0; i < VerticalCharTable.size(); ++i)
        EXPECT_EQ(vertical[static_cast<qsizetype>(i)], (CCharCell {VerticalCharTable[i], true}));

    QHash<quint16, ECharSet> owner;
    for (ECharSet set : CCharSets::Order()) {
        if (set == ECharSet::All || set == ECharSet::Vertical)
            continue;
        for (const CCharCell& cell : CCharSets::Cells(set))
            EXPECT_FALSE(owner.contains(cell.code)) << QString::number(cell.code, 16).toStdString() << " in two sets";
        for (const CCharCell& cell : CCharSets::Cells(set))
            owner.insert(cell.code, set);
    }
    EXPECT_EQ(owner.value(0x82A0), ECharSet::Hiragana);   // あ
    EXPECT_EQ(owner.value(0x815B), ECharSet::Symbols);    // ー, a katakana mark in the symbol row
    EXPECT_EQ(owner.value(0x8394), ECharSet::Katakana);   // ヴ
    EXPECT_EQ(owner.value(0x839F), ECharSet::GreekCyrillic);
    EXPECT_EQ(owner.value(0x8260), ECharSet::FullAlnum);  // Ａ
    EXPECT_EQ(owner.value(0x849F), ECharSet::Symbols);    // a box-drawing line
}

// A character the code page holds twice has one cell, under the code the
// font editor keeps it by; the other code finds that cell.
TEST(CharSets, DoubledCodesLeadToTheCodeTheCharacterIsKeptUnder)
{
    EXPECT_EQ(CCharSets::CanonicalCode(0xED40), 0xFA5C); // an NEC-selected IBM kanji
    EXPECT_EQ(CCharSets::CanonicalCode(0x8790), 0x81E0); // ≒ in the NEC row
    EXPECT_EQ(CCharSets::CanonicalCode(0x82A0), 0x82A0);
    EXPECT_EQ(CCharSets::CanonicalCode(0xF040), 0);      // user-defined area
    EXPECT_EQ(CCharSets::CanonicalCode(0x8140 - 1), 0);
}

TEST(EditorAnswers, GlyphListIsReadWholeOrRefusedWhole)
{
    auto keys = [](std::initializer_list<CCharCell> cells) {
        QSet<quint32> set;
        for (const CCharCell& c : cells)
            set.insert(c.Key());
        return set;
    };
    EXPECT_EQ(CGlyphCodes::Parse("41 82A0 8141 8141v"),
              keys({{0x41, false}, {0x82A0, false}, {0x8141, false}, {0x8141, true}}));
    EXPECT_EQ(CGlyphCodes::Parse(""), QSet<quint32>());
    EXPECT_EQ(CGlyphCodes::Parse("  41   42 "), keys({{0x41, false}, {0x42, false}}));
    // Well formed but no character here, or a doubled code.
    EXPECT_EQ(CGlyphCodes::Parse("FFFF F040 ED40"), keys({{0xFA5C, false}}));
    for (const char* damaged : {"41 8G", "41 12345", "41 v", "41 82a0", "41,42", "41vv", "-41", "41\n42", "0x41"})
        EXPECT_FALSE(CGlyphCodes::Parse(QString::fromLatin1(damaged)).has_value()) << damaged;
}

TEST(EditorAnswers, MetricsAreFourSensibleNumbers)
{
    const auto metrics = CFontMetrics::Parse("2048 1800 248 2048");
    ASSERT_TRUE(metrics.has_value());
    EXPECT_EQ(metrics->ascent, 1800);
    EXPECT_EQ(metrics->AdvanceOf(0x41), 1024);
    EXPECT_EQ(metrics->AdvanceOf(0x82A0), 2048);
    for (const char* damaged : {"", "1000 880 120", "1000 880 120 1000 5", "0 880 120 1000", "1000 0 0 1000",
                                "1000 -880 120 1000", "nan 880 120 1000", "1e300 880 120 1000", "1000 880 120 0"})
        EXPECT_FALSE(CFontMetrics::Parse(QString::fromLatin1(damaged)).has_value()) << damaged;
}
