#include "fonteditor/CDefaultFontNames.h"

#include "fonteditor/CFontInfoEditor.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// The code points read by kakasi: ideographs with 々〆〇, hiragana, and
// katakana with ー and ・. The editor reads the same runs.
bool IsJapanese(char32_t c)
{
    static constexpr std::pair<char32_t, char32_t> ranges[] = { { 0x3005, 0x3007 }, { 0x3041, 0x309F },
        { 0x30A0, 0x30FF }, { 0x31F0, 0x31FF }, { 0x3400, 0x4DBF }, { 0x4E00, 0x9FFF }, { 0xF900, 0xFAFF },
        { 0x20000, 0x3FFFF } };
    return std::any_of(std::begin(ranges), std::end(ranges),
        [c](const auto& range) { return c >= range.first && c <= range.second; });
}

// Controls, format characters, line and paragraph separators and lone
// surrogates: the editor refuses names that hold them.
bool IsUnusableInName(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

// The code points of text; a lone surrogate stands for itself.
QList<char32_t> CodePoints(QStringView text)
{
    QList<char32_t> points;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            points.append(QChar::surrogateToUcs4(c, text[i + 1]));
            ++i;
        } else {
            points.append(c.unicode());
        }
    }
    return points;
}

QString FromCodePoint(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

bool IsPrintableAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
}

// A character as ASCII with its accents taken off (é: e), else a space.
QString Plain(char32_t c)
{
    QString folded;
    for (QChar d : FromCodePoint(c).normalized(QString::NormalizationForm_KD))
        if (d.category() != QChar::Mark_NonSpacing)
            folded += d;
    return !folded.isEmpty() && IsPrintableAscii(folded) ? folded : QStringLiteral(" ");
}

// kakasi's reading as capitalised words of ASCII letters and digits; it
// marks a long vowel with ^, which names leave out.
QString Words(QString reading)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-z0-9]+"));
    QStringList words;
    for (const QRegularExpressionMatch& match : word.globalMatch(reading.remove(QLatin1Char('^')))) {
        QString w = match.captured().toLower();
        w[0] = w[0].toUpper();
        words.append(w);
    }
    return words.join(QLatin1Char(' '));
}

bool IsAsciiPunctuation(QChar c)
{
    return QStringView(u"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~").contains(c);
}

// Runs of Japanese read out by kakasi, the rest as plain ASCII; "" when
// nothing readable is left.
QString EnglishFor(const QString& name, const CKakasi& kakasi)
{
    struct SRun {
        bool japanese;
        QString text;
    };
    QList<SRun> runs;
    for (char32_t c : CodePoints(name.normalized(QString::NormalizationForm_KC))) {
        const bool japanese = IsJapanese(c);
        if (runs.isEmpty() || runs.back().japanese != japanese)
            runs.append(SRun { japanese, {} });
        runs.back().text += japanese ? FromCodePoint(c) : Plain(c);
    }
    QStringList japaneseRuns;
    for (const SRun& run : runs)
        if (run.japanese)
            japaneseRuns.append(run.text);
    const QStringList readings = kakasi.Read(japaneseRuns);
    qsizetype next = 0;
    QString joined;
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const QString piece = runs[i].japanese ? Words(readings[next++]) : runs[i].text;
        if (i > 0) {
            // The plain side of the meeting decides: punctuation joins.
            const QString& plain = runs[i].japanese ? runs[i - 1].text : piece;
            const QChar touching = runs[i].japanese ? plain.back() : plain.front();
            if (!IsAsciiPunctuation(touching))
                joined += QLatin1Char(' ');
        }
        joined += piece;
    }
    return joined.simplified();
}

// The longest start of name that the font information dialog takes,
// without half of a surrogate pair.
QString CutJapanese(const QString& name)
{
    QString cut = name.left(CFontInfoEditor::kMaxFamilyName);
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut.trimmed();
}

// The same for an English name, cut after a whole word where it has more
// than one.
QString CutEnglish(const QString& name)
{
    const int limit = CFontInfoEditor::kMaxFamilyName;
    if (name.size() <= limit)
        return name;
    const qsizetype space = name.left(limit + 1).lastIndexOf(QLatin1Char(' '));
    return (space > 0 ? name.left(space) : name.left(limit)).trimmed();
}

} // namespace

SFontNames CDefaultFontNames::ForStem(const QString& stem, const CKakasi& kakasi)
{
    QString japanese;
    for (char32_t c : CodePoints(stem.normalized(QString::NormalizationForm_C)))
        if (!IsUnusableInName(c))
            japanese += FromCodePoint(c);
    japanese = CutJapanese(japanese.trimmed());
    if (japanese.isEmpty())
        return { kFamily, kFamilyJa };
    const QString english = CutEnglish(EnglishFor(japanese, kakasi));
    return { english.isEmpty() ? kFamily : english, japanese };
}

SFontNames CDefaultFontNames::For(const QString& fontPath, const CKakasi& kakasi)
{
    return ForStem(QFileInfo(fontPath).completeBaseName(), kakasi);
}
