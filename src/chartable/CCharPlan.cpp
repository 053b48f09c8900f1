#include "chartable/CCharPlan.h"

#include "res/NumberText.h"

#include <algorithm>
#include <climits>

namespace {

// The kanji of a dictionary set, by the grades it is made of.
bool InSet(ECharSet set, int grade)
{
    switch (set) {
    case ECharSet::Kyoiku: return grade >= 1 && grade <= 6;
    case ECharSet::Joyo: return (grade >= 1 && grade <= 6) || grade == 8;
    case ECharSet::Jinmeiyo: return grade == 9 || grade == 10;
    default: return grade != 0 && grade == CCharSets::SchoolYear(set);
    }
}

// Characters whose code-page form looks alike but is another character: the
// four 常用漢字 of 2010 that the code page has only in their older forms.
// (The dashes and signs that converters map in two ways are coded as the
// one character they stand for.)
char32_t CodedLookalike(char32_t ch)
{
    static const QHash<char32_t, char32_t> lookalikes = {
        {0x20B9F, 0x53F1}, {0x5861, 0x586B}, {0x525D, 0x5265}, {0x9830, 0x982C},
    };
    return lookalikes.value(ch);
}

QString CodePoint(char32_t ch)
{
    return QStringLiteral("U+%1").arg(static_cast<uint>(ch), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

CCharPlan::CCharPlan(QString dictionaryPath) : m_dictionary(std::move(dictionaryPath)) {}

bool CCharPlan::LoadDictionary()
{
    if (m_dictionary.Status() == CKanjiDictionary::EStatus::NotRead)
        ReadDictionary();
    return m_dictionary.Status() == CKanjiDictionary::EStatus::Loaded;
}

// A dictionary not asked for yet is left to the first set that needs it.
void CCharPlan::Retry()
{
    const CKanjiDictionary::EStatus status = m_dictionary.Status();
    if (status == CKanjiDictionary::EStatus::Missing || status == CKanjiDictionary::EStatus::Damaged)
        ReadDictionary();
}

void CCharPlan::ReadDictionary()
{
    m_dictionary.Load();
    m_dictionarySets.clear();
    m_ranks.clear();
    m_nLastRank = 0;
    for (const SKanjiEntry& entry : m_dictionary.Entries()) {
        if (entry.rank == 0)
            continue;
        const quint32 key = CCharSets::CellOf(entry.ch).Key();
        m_ranks.insert(key, std::min(entry.rank, m_ranks.value(key, INT_MAX)));
        m_nLastRank = std::max(m_nLastRank, entry.rank);
    }
}

QList<CCharCell> CCharPlan::DictionaryCells(ECharSet set) const
{
    QList<SKanjiEntry> entries;
    for (const SKanjiEntry& entry : m_dictionary.Entries())
        if (InSet(set, entry.grade))
            entries.append(entry);
    // Unranked kanji after the ranked ones of their grade, in file order.
    std::stable_sort(entries.begin(), entries.end(), [](const SKanjiEntry& a, const SKanjiEntry& b) {
        const int rankA = a.rank ? a.rank : INT_MAX;
        const int rankB = b.rank ? b.rank : INT_MAX;
        return a.grade != b.grade ? a.grade < b.grade : rankA < rankB;
    });
    QList<CCharCell> cells;
    QSet<quint32> seen;
    for (const SKanjiEntry& entry : entries) {
        const CCharCell cell = CCharSets::CellOf(entry.ch);
        if (!seen.contains(cell.Key())) {
            seen.insert(cell.Key());
            cells.append(cell);
        }
    }
    return cells;
}

const QList<CCharCell>& CCharPlan::Cells(ECharSet set)
{
    static const QList<CCharCell> none;
    if (set == ECharSet::OwnText)
        return m_ownText.Cells();
    if (!CCharSets::IsFromDictionary(set))
        return CCharSets::Cells(set);
    if (!LoadDictionary())
        return none;
    const int index = static_cast<int>(set);
    if (!m_dictionarySets.contains(index))
        m_dictionarySets.insert(index, DictionaryCells(set));
    return m_dictionarySets[index];
}

bool CCharPlan::IsAvailable(ECharSet set)
{
    if (set == ECharSet::OwnText)
        return !m_ownText.Cells().isEmpty();
    return !CCharSets::IsFromDictionary(set) || LoadDictionary();
}

QString CCharPlan::UnavailableText(ECharSet set)
{
    if (IsAvailable(set))
        return {};
    if (set == ECharSet::OwnText)
        return QStringLiteral("まだ文章がありません。文字一覧の［文章を入力...］で文章を貼り付けるか、テキストファイルを開いてください。");
    if (m_dictionary.Status() == CKanjiDictionary::EStatus::Missing)
        return QStringLiteral("教育漢字・常用漢字・人名用漢字の一覧は、%1 パッケージの漢字辞典 KANJIDIC2 (%2) から読みます。"
                              "この辞典がありません。「sudo apt install %1」でインストールしてから、文字一覧の［再読み込み］を押してください。")
            .arg(CKanjiDictionary::kPackage, m_dictionary.Path());
    return QStringLiteral("漢字辞典 %1 を読めません (%2)。「sudo apt install --reinstall %3」で入れ直してから、文字一覧の"
                          "［再読み込み］を押してください。")
        .arg(m_dictionary.Path(), m_dictionary.Error(), CKanjiDictionary::kPackage);
}

int CCharPlan::UncodedCount(ECharSet set)
{
    const QList<CCharCell>& cells = Cells(set);
    return static_cast<int>(std::count_if(cells.cbegin(), cells.cend(), [](const CCharCell& c) { return !c.IsCoded(); }));
}

double CCharPlan::Weight(const CCharCell& cell) const
{
    const int rank = m_ranks.value(cell.Key());
    return 1.0 / (rank ? rank : m_nLastRank + 1);
}

std::optional<double> CCharPlan::WeightedShare(ECharSet set, const std::function<bool(const CCharCell&)>& done)
{
    if (!CCharSets::IsKanji(set) || !LoadDictionary() || m_ranks.isEmpty())
        return std::nullopt;
    double total = 0;
    double covered = 0;
    for (const CCharCell& cell : Cells(set)) {
        if (!cell.IsCoded())
            continue;
        const double weight = Weight(cell);
        total += weight;
        covered += done(cell) ? weight : 0;
    }
    if (total <= 0)
        return std::nullopt;
    return covered / total;
}

QList<CCharCell> CCharPlan::MissingAfter(ECharSet set, const CCharCell& current, const QSet<quint32>& glyphs)
{
    const QList<CCharCell>& cells = Cells(set);
    const qsizetype n = cells.size();
    qsizetype at = cells.indexOf(current);
    if (at < 0 && current.IsCoded())
        at = cells.indexOf(CCharCell {current.code, !current.vertical});
    QList<CCharCell> missing;
    for (qsizetype step = 1; step <= n; ++step) {
        const CCharCell& cell = cells[(at + step + n) % n];
        const bool isCurrent = current.IsCoded() && cell.code == current.code;
        if (cell.IsCoded() && !isCurrent && !glyphs.contains(cell.Key()))
            missing.append(cell);
    }
    return missing;
}

QString CCharPlan::NothingMissingText(ECharSet set, const CCharCell& current, const QSet<quint32>& glyphs)
{
    if (!IsAvailable(set))
        return UnavailableText(set);
    const QString name = CCharSets::Name(set);
    const bool currentMissing = current.IsCoded() && !glyphs.contains(current.Key()) && Cells(set).contains(current);
    if (currentMissing)
        return QStringLiteral("「%1」で未作成の文字は、今の文字のほかにありません。").arg(name);
    return QStringLiteral("「%1」の文字はすべて作成済みです。").arg(name);
}

QString CCharPlan::UncodedReason(char32_t ch)
{
    QString reason = QStringLiteral("コードページ 932 (シフトJIS) にない文字なので、Quillery では作れません。");
    if (const char32_t alike = CodedLookalike(ch))
        reason += QStringLiteral("よく似た「%1」(%2) なら作れます。").arg(QString::fromUcs4(&alike, 1), CodePoint(alike));
    return reason;
}

QString CCharPlan::TakeOwnText(const QString& text)
{
    m_ownText.SetText(text);
    if (!m_ownText.WasCut())
        return {};
    return QStringLiteral("文章が長いため、最初の %1 文字だけを使います。").arg(NumberText(COwnText::kMaxChars));
}
