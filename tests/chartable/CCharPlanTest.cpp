#include "chartable/CCharPlan.h"

#include "strokes/CodePage932.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <zlib.h>

#include <gtest/gtest.h>

namespace {

CCharCell Cell(const QString& ch)
{
    return CCharSets::CellOf(ch.toUcs4().front());
}

QString Text(const QList<CCharCell>& cells)
{
    QString text;
    for (const CCharCell& cell : cells)
        text += cell.IsCoded() ? Cp932ToString(CharFromCode(cell.code)) : QString::fromUcs4(&cell.uncoded, 1);
    return text;
}

QSet<quint32> Keys(const QString& chars)
{
    QSet<quint32> keys;
    for (uint ch : chars.toUcs4())
        keys.insert(CCharSets::CellOf(ch).Key());
    return keys;
}

// A dictionary in the shape of KANJIDIC2, a few entries long.
QByteArray Dictionary(const QString& characters)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<!DOCTYPE kanjidic2 [<!ELEMENT kanjidic2 (header,character*)>]>\n"
                           "<kanjidic2><header><file_version>4</file_version></header>")
            + characters + QStringLiteral("</kanjidic2>"))
        .toUtf8();
}

QString Entry(const QString& literal, int grade, int rank = 0)
{
    QString misc;
    if (grade)
        misc += QStringLiteral("<grade>%1</grade>").arg(grade);
    misc += QStringLiteral("<stroke_count>4</stroke_count>");
    if (rank)
        misc += QStringLiteral("<freq>%1</freq>").arg(rank);
    return QStringLiteral("<character><literal>%1</literal><codepoint><cp_value cp_type=\"ucs\">0</cp_value>"
                          "</codepoint><misc>%2</misc></character>")
        .arg(literal, misc);
}

bool WriteGzip(const QString& path, const QByteArray& data)
{
    gzFile file = gzopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    const bool ok = gzwrite(file, data.constData(), static_cast<unsigned>(data.size())) == data.size();
    return gzclose(file) == Z_OK && ok;
}

} // namespace

// The lists as Debian's kanjidic-xml gives them: the school years of the
// list in force since 2020, 常用漢字 and 人名用漢字, with the characters
// the code page lacks kept in the lists but apart from the counts.
TEST(KanjiLists, GradeListsFromThePackageHaveTheirSizes)
{
    CCharPlan plan;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(plan.IsAvailable(ECharSet::Joyo)) << plan.UnavailableText(ECharSet::Joyo).toStdString();
    RecordProperty("dictionary_read_ms", static_cast<int>(clock.elapsed()));

    const int years[] = {80, 160, 200, 202, 193, 191};
    QList<CCharCell> byYear;
    for (int year = 1; year <= 6; ++year) {
        const auto set = static_cast<ECharSet>(static_cast<int>(ECharSet::Grade1) + year - 1);
        EXPECT_EQ(plan.Cells(set).size(), years[year - 1]) << CCharSets::Name(set).toStdString();
        EXPECT_EQ(plan.UncodedCount(set), 0);
        byYear += plan.Cells(set);
    }
    EXPECT_EQ(plan.Cells(ECharSet::Kyoiku), byYear);
    EXPECT_EQ(plan.Cells(ECharSet::Joyo).size(), 2136);
    EXPECT_EQ(plan.Cells(ECharSet::Joyo).mid(0, 1026), byYear);
    EXPECT_EQ(plan.Cells(ECharSet::Jinmeiyo).size(), 863);
    // 𠮟 塡 剝 頰 came into 常用漢字 in forms the code page does not have.
    EXPECT_EQ(plan.UncodedCount(ECharSet::Joyo), 4);
    EXPECT_TRUE(plan.Cells(ECharSet::Joyo).contains(CCharCell {0, false, 0x20B9F}));
    EXPECT_EQ(plan.UncodedCount(ECharSet::Jinmeiyo), 87);

    const QSet<quint32> joyo = Keys(Text(plan.Cells(ECharSet::Joyo)));
    for (const CCharCell& cell : plan.Cells(ECharSet::Jinmeiyo))
        EXPECT_FALSE(joyo.contains(cell.Key())) << Text({cell}).toStdString();
    // Within a year the most used kanji come first.
    EXPECT_EQ(Text(plan.Cells(ECharSet::Grade1).mid(0, 3)), QStringLiteral("日一人"));
    EXPECT_TRUE(Text(plan.Cells(ECharSet::Grade1)).contains(QStringLiteral("山")));
    EXPECT_TRUE(Text(plan.Cells(ECharSet::Grade4)).contains(QStringLiteral("茨")));
}

// What the program shows when the package is missing or its file cannot be
// used: a line that says so and what to install, never an empty set that
// looks like the set; a file put in place later is read on the next try.
TEST(KanjiLists, MissingOrDamagedDictionaryIsSaidAndTriedAgain)
{
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("kanjidic2.xml.gz"));
    CCharPlan plan(path);
    EXPECT_FALSE(plan.IsAvailable(ECharSet::Grade1));
    EXPECT_TRUE(plan.Cells(ECharSet::Grade1).isEmpty());
    EXPECT_TRUE(plan.UnavailableText(ECharSet::Grade1).contains(QStringLiteral("sudo apt install kanjidic-xml")));
    EXPECT_FALSE(plan.WeightedShare(ECharSet::Kanji1, [](const CCharCell&) { return true; }));
    // The sets of the code page do not need it.
    EXPECT_TRUE(plan.IsAvailable(ECharSet::Kanji1));

    const auto damaged = [&](const QByteArray& bytes, bool gzip) {
        QFile::remove(path);
        if (gzip) {
            EXPECT_TRUE(WriteGzip(path, bytes));
        } else {
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        plan.Retry();
        EXPECT_FALSE(plan.IsAvailable(ECharSet::Grade1));
        EXPECT_TRUE(plan.Cells(ECharSet::Grade1).isEmpty());
        return plan.UnavailableText(ECharSet::Grade1);
    };
    const QByteArray good = Dictionary(Entry("日", 1, 1));
    EXPECT_TRUE(damaged(good.left(good.size() - 20), true).contains(QStringLiteral("--reinstall")));
    QByteArray cut;
    ASSERT_TRUE(WriteGzip(path, good));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        cut = file.readAll();
    }
    EXPECT_TRUE(damaged(cut.left(cut.size() / 2), false).contains(QStringLiteral("読めません")));
    EXPECT_TRUE(damaged(Dictionary(Entry("日", 0, 1)), true).contains(QStringLiteral("学年")));

    ASSERT_TRUE(WriteGzip(path, good));
    plan.Retry();
    ASSERT_TRUE(plan.IsAvailable(ECharSet::Grade1));
    EXPECT_EQ(Text(plan.Cells(ECharSet::Grade1)), QStringLiteral("日"));
}

// By grade, then by rank with the unranked after in the file's order; an
// entry that is not one kanji, or a grade the program does not know, is left
// out of the lists; a kanji of rank r weighs 1/r.
TEST(KanjiLists, OrderAndWeightsFollowGradeAndRank)
{
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("kanjidic2.xml"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Dictionary(Entry("川", 2, 0) + Entry("山", 1, 3) + Entry("木", 1, 0) + Entry("日", 1, 1)
                          + Entry("月", 2, 2) + Entry("火", 1, 0) + Entry("日本", 1, 5) + Entry("a", 1, 6)
                          + Entry("水", 7, 4) + Entry("日", 3, 9) + Entry("𠮟", 8, 0)));
    file.close();
    CCharPlan plan(path);
    EXPECT_EQ(Text(plan.Cells(ECharSet::Grade1)), QStringLiteral("日山木火"));
    EXPECT_EQ(Text(plan.Cells(ECharSet::Kyoiku)), QStringLiteral("日山木火月川"));
    EXPECT_EQ(Text(plan.Cells(ECharSet::Joyo)), QStringLiteral("日山木火月川𠮟"));
    EXPECT_TRUE(plan.Cells(ECharSet::Grade3).isEmpty());

    // Ranks 1, 3 and none (weighed as one past the last rank, 5).
    const QSet<quint32> done = Keys(QStringLiteral("山"));
    const auto share = plan.WeightedShare(ECharSet::Grade1, [&](const CCharCell& c) { return done.contains(c.Key()); });
    ASSERT_TRUE(share);
    EXPECT_NEAR(*share, (1.0 / 3) / (1.0 + 1.0 / 3 + 2.0 / 5), 1e-9);
    EXPECT_FALSE(plan.WeightedShare(ECharSet::Hiragana, [](const CCharCell&) { return true; }));
}

// The walk of the next missing character: from after the current one to the
// end and round from the start, over characters done and characters the
// code page lacks, never back to the current one.
TEST(NextMissing, WalkSkipsWhatIsDoneAndWrapsToTheStart)
{
    CCharPlan plan;
    plan.SetSet(ECharSet::OwnText);
    plan.SetOwnText(QStringLiteral("あ𠮟いうえお"));
    const QSet<quint32> glyphs = Keys(QStringLiteral("いえ"));
    const auto after = [&](const QString& current) {
        return Text(plan.MissingAfter(ECharSet::OwnText, Cell(current), glyphs));
    };
    EXPECT_EQ(after(QStringLiteral("あ")), QStringLiteral("うお"));
    EXPECT_EQ(after(QStringLiteral("い")), QStringLiteral("うおあ"));
    EXPECT_EQ(after(QStringLiteral("お")), QStringLiteral("あう"));
    // A character outside the set starts the walk at the start.
    EXPECT_EQ(after(QStringLiteral("山")), QStringLiteral("あうお"));
    // Its vertical form is the same character.
    EXPECT_EQ(Text(plan.MissingAfter(ECharSet::OwnText, {Cell(QStringLiteral("う")).code, true}, glyphs)),
              QStringLiteral("おあ"));

    const QSet<quint32> allButA = Keys(QStringLiteral("いうえお"));
    EXPECT_TRUE(plan.MissingAfter(ECharSet::OwnText, Cell(QStringLiteral("あ")), allButA).isEmpty());
    EXPECT_TRUE(plan.NothingMissingText(ECharSet::OwnText, Cell(QStringLiteral("あ")), allButA)
                    .contains(QStringLiteral("今の文字のほかに")));
    EXPECT_TRUE(plan.NothingMissingText(ECharSet::OwnText, Cell(QStringLiteral("い")), Keys(QStringLiteral("あいうえお")))
                    .contains(QStringLiteral("すべて作成済み")));
    plan.SetOwnText(QString());
    EXPECT_TRUE(plan.NothingMissingText(ECharSet::OwnText, Cell(QStringLiteral("あ")), {})
                    .contains(QStringLiteral("まだ文章がありません")));
}

// The user's text: distinct characters in order of first appearance with
// their counts, without spaces and line ends, a kana and its combining mark
// as one character; coverage counts occurrences.
TEST(OwnText, CharactersInOrderWithCountsAndCoverageByOccurrence)
{
    COwnText text;
    // 〜 as typed outside Windows is the code page's ～.
    text.SetText(QStringLiteral("あけまして\u3000おめでとう\r\nあ 𠮟\tか\u3099〜\u200Bあ～"));
    EXPECT_EQ(Text(text.Cells()), QStringLiteral("あけましておめでとう𠮟が～"));
    EXPECT_EQ(text.CountOf(Cell(QStringLiteral("あ"))), 3);
    EXPECT_EQ(text.CountOf(Cell(QStringLiteral("が"))), 1);
    EXPECT_EQ(text.CountOf(Cell(QStringLiteral("～"))), 2);
    EXPECT_EQ(text.Occurrences(), 16);
    EXPECT_FALSE(text.Cells().contains(Cell(QStringLiteral("か"))));
    EXPECT_FALSE(Cell(QStringLiteral("𠮟")).IsCoded());

    const QSet<quint32> done = Keys(QStringLiteral("あけ"));
    EXPECT_DOUBLE_EQ(text.Coverage([&](const CCharCell& c) { return done.contains(c.Key()); }), 4.0 / 16);
    EXPECT_DOUBLE_EQ(COwnText().Coverage([](const CCharCell&) { return true; }), 0.0);

    // A text too long to keep is cut, never in the middle of a character.
    QString lengthy(COwnText::kMaxChars - 1, QChar(u'あ'));
    lengthy += QStringLiteral("𠮟𠮟");
    text.SetText(lengthy);
    EXPECT_TRUE(text.WasCut());
    EXPECT_EQ(text.Text().size(), COwnText::kMaxChars - 1);

    // The plan that takes it says so, and only then.
    CCharPlan plan;
    EXPECT_EQ(plan.TakeOwnText(lengthy), QStringLiteral("文章が長いため、最初の 100,000 文字だけを使います。"));
    EXPECT_EQ(plan.TakeOwnText(QStringLiteral("あけまして")), QString());
    EXPECT_EQ(plan.OwnText().Text(), QStringLiteral("あけまして"));
}

TEST(OwnText, FilesAreReadAsUtf8Utf16OrShiftJisAndRefusedOtherwise)
{
    const QString greeting = QStringLiteral("謹賀新年");
    EXPECT_EQ(COwnText::Decode(greeting.toUtf8()), greeting);
    EXPECT_EQ(COwnText::Decode("\xEF\xBB\xBF" + greeting.toUtf8()), greeting);
    EXPECT_EQ(COwnText::Decode(StringToCp932(greeting)), greeting);
    QByteArray utf16("\xFF\xFE", 2);
    for (QChar c : greeting)
        utf16 += QByteArray(reinterpret_cast<const char*>(&c), 2);
    EXPECT_EQ(COwnText::Decode(utf16), greeting);
    EXPECT_FALSE(COwnText::Decode(QByteArray("\x82\xA0\xFF\xFF", 4)));

    QTemporaryDir temp;
    QString error;
    EXPECT_FALSE(COwnText::ReadFile(temp.filePath("none.txt"), error));
    EXPECT_TRUE(error.contains(QStringLiteral("ファイルが見つからない")));
    QFile big(temp.filePath("big.txt"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(COwnText::kMaxFileBytes + 1, 'a'));
    big.close();
    EXPECT_FALSE(COwnText::ReadFile(big.fileName(), error));
    EXPECT_TRUE(error.contains(QStringLiteral("大きすぎます")));
}
