#pragma once

#include "chartable/CCharSets.h"
#include "chartable/CKanjiDictionary.h"
#include "chartable/COwnText.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>

// The plan the user works to: the set chosen in the character table, the
// sets people learn and use (read from the kanji dictionary the first time
// one is needed), the user's own text, how far the font has come, and the
// next character the font still lacks.
class CCharPlan
{
public:
    explicit CCharPlan(QString dictionaryPath = CKanjiDictionary::DefaultPath());

    ECharSet Set() const { return m_set; }
    void SetSet(ECharSet set) { m_set = set; }
    const COwnText& OwnText() const { return m_ownText; }
    void SetOwnText(const QString& text) { m_ownText.SetText(text); }
    // Takes the user's own text; what to tell the user when it was too long
    // and only its start is used, else nothing.
    QString TakeOwnText(const QString& text);

    // The cells of any set, in the order to write them: the code page's sets
    // in code order, the dictionary's by grade and then by how often the
    // kanji is used (unranked ones in the dictionary's own order), the
    // user's text in order of first appearance. A dictionary set is empty
    // while the dictionary cannot be read.
    const QList<CCharCell>& Cells(ECharSet set);
    // Whether the set's list could be had; when not, the one line that says
    // why and what to install.
    bool IsAvailable(ECharSet set);
    QString UnavailableText(ECharSet set);
    // Reads the dictionary again after it could not be read.
    void Retry();
    // Cells of the set that the code page lacks.
    int UncodedCount(ECharSet set);

    // The share of ordinary text that the done kanji of a kanji set stand
    // for, weighted by the dictionary's frequency ranks (a kanji of rank r
    // counting 1/r, as word counts fall off with rank); nothing for sets
    // that are not kanji or while the dictionary cannot be read.
    std::optional<double> WeightedShare(ECharSet set, const std::function<bool(const CCharCell&)>& done);

    // The characters of the set the font lacks (glyphs are CCharCell keys),
    // in the order to go to them: from the one after the current character
    // to the end, then from the start; never the current one itself, never
    // one without a code.
    QList<CCharCell> MissingAfter(ECharSet set, const CCharCell& current, const QSet<quint32>& glyphs);
    // Why MissingAfter is empty, for a message.
    QString NothingMissingText(ECharSet set, const CCharCell& current, const QSet<quint32>& glyphs);

    // A character the code page lacks: what the tool tip says about it.
    static QString UncodedReason(char32_t ch);

private:
    bool LoadDictionary();
    void ReadDictionary();
    QList<CCharCell> DictionaryCells(ECharSet set) const;
    double Weight(const CCharCell& cell) const;

    ECharSet m_set = ECharSet::Hiragana;
    CKanjiDictionary m_dictionary;
    COwnText m_ownText;
    QHash<int, QList<CCharCell>> m_dictionarySets;
    // Frequency rank by cell key, from the dictionary.
    QHash<quint32, int> m_ranks;
    int m_nLastRank = 0;
};
