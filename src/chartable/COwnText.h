#pragma once

#include "chartable/CCharSets.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

// The user's own text as a set of characters: the distinct characters in
// the order they first appear, each with how often it occurs. Spaces, line
// ends and control characters are no characters to write and are left out;
// a base character and the marks that follow it count as the one character
// they compose to.
class COwnText
{
public:
    // Longer texts are cut here: the text is kept with the settings.
    static constexpr qsizetype kMaxChars = 100000;

    // Takes the text (at most kMaxChars of it) and counts its characters.
    void SetText(const QString& text);
    const QString& Text() const { return m_strText; }
    // Whether the last SetText had to cut the text.
    bool WasCut() const { return m_bCut; }

    const QList<CCharCell>& Cells() const { return m_cells; }
    int CountOf(const CCharCell& cell) const { return m_counts.value(cell.Key()); }
    // Every counted character, repeats included.
    int Occurrences() const { return m_nOccurrences; }
    // The share of occurrences whose character is done, 0 to 1; 0 for an
    // empty text.
    double Coverage(const std::function<bool(const CCharCell&)>& done) const;

    // A text file's bytes as text: UTF-8 (with or without its mark), UTF-16
    // with its mark, or Shift-JIS; nothing when it is none of them.
    static std::optional<QString> Decode(const QByteArray& bytes);
    // A text file read and decoded, or nothing with the message that says
    // why in error.
    static std::optional<QString> ReadFile(const QString& path, QString& error);
    // Files larger than this are no text to write by hand.
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

private:
    void Count(char32_t ch);

    QString m_strText;
    bool m_bCut = false;
    QList<CCharCell> m_cells;
    QHash<quint32, int> m_counts;
    int m_nOccurrences = 0;
};
