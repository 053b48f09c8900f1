#include "fonteditor/CDefaultFontNames.h"

#include "fonteditor/CFontInfoEditor.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace {

// The hiragana syllables in Hepburn romanization; katakana are read as
// their hiragana. Small kana are handled where they join the syllable
// before them.
const QHash<char16_t, QString>& Syllables()
{
    static const QHash<char16_t, QString> table = [] {
        QHash<char16_t, QString> t;
        const struct {
            const char16_t* kana;
            const char* latin[5];
        } rows[] = {
            { u"あいうえお", { "a", "i", "u", "e", "o" } },
            { u"かきくけこ", { "ka", "ki", "ku", "ke", "ko" } },
            { u"がぎぐげご", { "ga", "gi", "gu", "ge", "go" } },
            { u"さしすせそ", { "sa", "shi", "su", "se", "so" } },
            { u"ざじずぜぞ", { "za", "ji", "zu", "ze", "zo" } },
            { u"たちつてと", { "ta", "chi", "tsu", "te", "to" } },
            { u"だぢづでど", { "da", "ji", "zu", "de", "do" } },
            { u"なにぬねの", { "na", "ni", "nu", "ne", "no" } },
            { u"はひふへほ", { "ha", "hi", "fu", "he", "ho" } },
            { u"ばびぶべぼ", { "ba", "bi", "bu", "be", "bo" } },
            { u"ぱぴぷぺぽ", { "pa", "pi", "pu", "pe", "po" } },
            { u"まみむめも", { "ma", "mi", "mu", "me", "mo" } },
            { u"らりるれろ", { "ra", "ri", "ru", "re", "ro" } },
        };
        for (const auto& row : rows)
            for (int i = 0; i < 5; ++i)
                t.insert(row.kana[i], QString::fromLatin1(row.latin[i]));
        const struct {
            char16_t kana;
            const char* latin;
        } single[] = { { u'や', "ya" }, { u'ゆ', "yu" }, { u'よ', "yo" }, { u'わ', "wa" }, { u'ゐ', "i" },
            { u'ゑ', "e" }, { u'を', "o" }, { u'ん', "n" }, { u'ゔ', "vu" } };
        for (const auto& s : single)
            t.insert(s.kana, QString::fromLatin1(s.latin));
        return t;
    }();
    return table;
}

char16_t AsHiragana(char16_t c)
{
    // Katakana ァ to ヶ sit 0x60 above their hiragana.
    return (c >= 0x30A1 && c <= 0x30F6) ? static_cast<char16_t>(c - 0x60) : c;
}

bool IsVowel(QChar c)
{
    return QStringLiteral("aiueo").contains(c);
}

// A small vowel replaces the vowel of the syllable before it (ふぁ fa, てぃ
// ti, ちぇ che); after a bare u it makes a w (うぃ wi).
void JoinSmallVowel(QString& latin, QChar vowel)
{
    if (latin.isEmpty() || !IsVowel(latin.back())) {
        latin += vowel;
        return;
    }
    const bool bare
        = latin.size() == 1 || !latin.at(latin.size() - 2).isLetter() || IsVowel(latin.at(latin.size() - 2));
    latin.chop(1);
    latin += bare ? QStringLiteral("w") + vowel : QString(vowel);
}

// A small ya, yu or yo after an i-syllable: きゃ kya, しゃ sha, ちゅ chu, じょ jo.
void JoinSmallY(QString& latin, const QString& y)
{
    if (!latin.endsWith(u'i') || latin.size() < 2) {
        latin += y;
        return;
    }
    latin.chop(1);
    const bool palatal
        = latin.endsWith(QStringLiteral("sh")) || latin.endsWith(QStringLiteral("ch")) || latin.endsWith(u'j');
    latin += palatal ? y.mid(1) : y;
}

QString Capitalized(const QString& text)
{
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i)
        if (out[i].isLetter() && (i == 0 || out[i - 1] == u' '))
            out[i] = out[i].toUpper();
    return out;
}

bool IsPrintableAscii(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
}

QString Shortened(const QString& name)
{
    QString cut = name.left(CFontInfoEditor::kMaxFamilyName);
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut.trimmed();
}

// Accents taken off Latin letters (Café: Cafe); empty when other letters
// remain.
QString WithoutAccents(const QString& text)
{
    QString plain;
    for (QChar c : text.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            plain += c;
    return IsPrintableAscii(plain) ? plain : QString();
}

} // namespace

QString CDefaultFontNames::Romanized(const QString& text)
{
    QString latin;
    bool doubleNext = false;
    for (const QChar qc : text.normalized(QString::NormalizationForm_KC)) {
        const char16_t c = AsHiragana(qc.unicode());
        QString syllable;
        if (c < 0x7F && qc.isPrint()) {
            syllable = qc;
        } else if (c == u'　' || c == u'・') {
            syllable = QStringLiteral(" ");
        } else if (c == u'ー') {
            continue; // a long vowel is not written in names (ラーメン: Ramen)
        } else if (c == u'っ') {
            doubleNext = true;
            continue;
        } else if (const qsizetype small = QStringView(u"ぁぃぅぇぉ").indexOf(c); small >= 0) {
            JoinSmallVowel(latin, QChar(u"aiueo"[small]));
            continue;
        } else if (const qsizetype y = QStringView(u"ゃゅょ").indexOf(c); y >= 0) {
            JoinSmallY(latin, QStringList { QStringLiteral("ya"), QStringLiteral("yu"), QStringLiteral("yo") }[y]);
            continue;
        } else if (c == u'ゎ') {
            syllable = QStringLiteral("wa");
        } else if (c == u'ゕ' || c == u'ゖ') {
            syllable = c == u'ゕ' ? QStringLiteral("ka") : QStringLiteral("ke");
        } else if (const auto found = Syllables().constFind(c); found != Syllables().constEnd()) {
            syllable = *found;
        } else {
            return QString();
        }
        // っ doubles the consonant that follows (っち: tchi).
        if (std::exchange(doubleNext, false) && syllable.front().isLetter() && !IsVowel(syllable.front()))
            latin += syllable.startsWith(QStringLiteral("ch")) ? QChar(u't') : syllable.front();
        latin += syllable;
    }
    return Capitalized(latin.simplified());
}

QString CDefaultFontNames::EnglishFor(const QString& name)
{
    const QString text = name.normalized(QString::NormalizationForm_KC).simplified();
    QString english = IsPrintableAscii(text) ? text : Romanized(text);
    if (english.isEmpty())
        english = WithoutAccents(text);
    english = Shortened(english);
    return english.isEmpty() ? kFamily : english;
}

SFontNames CDefaultFontNames::For(const QString& fontPath)
{
    const QString stem = QFileInfo(fontPath).completeBaseName().normalized(QString::NormalizationForm_C);
    QString japanese;
    for (QChar c : stem)
        if (c.category() != QChar::Other_Control)
            japanese += c;
    japanese = Shortened(japanese.trimmed());
    if (japanese.isEmpty())
        return { kFamily, kFamilyJa };
    return { EnglishFor(japanese), japanese };
}
