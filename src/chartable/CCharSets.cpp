#include "chartable/CCharSets.h"

#include "fonteditor/CVerticalCharTable.h"
#include "strokes/CodePage932.h"

#include <QChar>

#include <array>

namespace {

bool IsTwoByteCode(quint16 code)
{
    const int lead = code >> 8;
    const int trail = code & 0xFF;
    return ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) && trail >= 0x40 && trail <= 0xFC &&
           trail != 0x7F;
}

bool IsFullWidthAlnum(char32_t u)
{
    return (u >= 0xFF10 && u <= 0xFF19) || (u >= 0xFF21 && u <= 0xFF3A) || (u >= 0xFF41 && u <= 0xFF5A);
}

// The set a two-byte character belongs to besides All, or All alone for the
// extension kanji that are neither first nor second level.
ECharSet ClassifyTwoByte(quint16 code, char32_t u)
{
    // Row 0x81 is punctuation and symbols throughout, although a few of them
    // (the kana iteration marks, the long vowel mark) sit in the kana blocks.
    if ((code >> 8) == 0x81)
        return ECharSet::Symbols;
    if (IsFullWidthAlnum(u))
        return ECharSet::FullAlnum;
    // The squared katakana words are symbols, though written in katakana.
    if (!QChar::isLetter(u))
        return ECharSet::Symbols;
    switch (QChar::script(u)) {
    case QChar::Script_Hiragana: return ECharSet::Hiragana;
    case QChar::Script_Katakana: return ECharSet::Katakana;
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic: return ECharSet::GreekCyrillic;
    case QChar::Script_Han:
        if (code >= 0x889F && code <= 0x9872)
            return ECharSet::Kanji1;
        if (code >= 0x989F && code <= 0xEAA4)
            return ECharSet::Kanji2;
        return ECharSet::All;
    default: return ECharSet::Symbols;
    }
}

struct SetTable
{
    std::array<QList<CCharCell>, 11> cells;

    QList<CCharCell>& Of(ECharSet set) { return cells[static_cast<size_t>(set)]; }

    SetTable()
    {
        for (int code = 0x20; code <= 0x7E; ++code)
            Add(ECharSet::Ascii, static_cast<quint16>(code));
        for (int code = 0xA1; code <= 0xDF; ++code)
            Add(ECharSet::HalfKana, static_cast<quint16>(code));
        for (int code = 0x8140; code <= 0xFCFC; ++code) {
            const auto c = static_cast<quint16>(code);
            if (!IsTwoByteCode(c) || CCharSets::CanonicalCode(c) != c)
                continue;
            Add(ClassifyTwoByte(c, CharToUnicode(c)), c);
        }
        for (quint16 code : VerticalCharTable)
            Of(ECharSet::Vertical).append({code, true});
    }

    void Add(ECharSet set, quint16 code)
    {
        if (CCharSets::CanonicalCode(code) != code)
            return;
        if (set != ECharSet::All)
            Of(set).append({code, false});
        Of(ECharSet::All).append({code, false});
    }
};

const SetTable& Table()
{
    static const SetTable table;
    return table;
}

} // namespace

const QList<ECharSet>& CCharSets::Order()
{
    static const QList<ECharSet> order = {
        ECharSet::Ascii,    ECharSet::HalfKana, ECharSet::Symbols,       ECharSet::FullAlnum,
        ECharSet::Hiragana, ECharSet::Katakana, ECharSet::GreekCyrillic, ECharSet::Kanji1,
        ECharSet::Kanji2,   ECharSet::Vertical, ECharSet::All,           ECharSet::Kyoiku,
        ECharSet::Grade1,   ECharSet::Grade2,   ECharSet::Grade3,        ECharSet::Grade4,
        ECharSet::Grade5,   ECharSet::Grade6,   ECharSet::Joyo,          ECharSet::Jinmeiyo,
        ECharSet::OwnText,
    };
    return order;
}

bool CCharSets::IsFromDictionary(ECharSet set)
{
    return set >= ECharSet::Kyoiku && set <= ECharSet::Jinmeiyo;
}

int CCharSets::SchoolYear(ECharSet set)
{
    return set >= ECharSet::Grade1 && set <= ECharSet::Grade6
        ? static_cast<int>(set) - static_cast<int>(ECharSet::Grade1) + 1
        : 0;
}

bool CCharSets::IsKanji(ECharSet set)
{
    return set == ECharSet::Kanji1 || set == ECharSet::Kanji2 || IsFromDictionary(set);
}

CCharCell CCharSets::CellOf(char32_t ch)
{
    quint16 code = 0;
    if (ch <= 0xFFFF && UnicodeToChar(static_cast<quint16>(ch), code) != 0 && CanonicalCode(code) != 0)
        return {CanonicalCode(code), false};
    return {0, false, ch};
}

QString CCharSets::Name(ECharSet set)
{
    switch (set) {
    case ECharSet::Ascii: return QStringLiteral("英数字・記号");
    case ECharSet::HalfKana: return QStringLiteral("半角カナ");
    case ECharSet::Symbols: return QStringLiteral("記号");
    case ECharSet::FullAlnum: return QStringLiteral("英数字 (全角)");
    case ECharSet::Hiragana: return QStringLiteral("ひらがな");
    case ECharSet::Katakana: return QStringLiteral("カタカナ");
    case ECharSet::GreekCyrillic: return QStringLiteral("ギリシャ・キリル");
    case ECharSet::Kanji1: return QStringLiteral("第一水準漢字");
    case ECharSet::Kanji2: return QStringLiteral("第二水準漢字");
    case ECharSet::Vertical: return QStringLiteral("縦書き");
    case ECharSet::All: return QStringLiteral("すべて");
    case ECharSet::Kyoiku: return QStringLiteral("教育漢字");
    case ECharSet::Grade1:
    case ECharSet::Grade2:
    case ECharSet::Grade3:
    case ECharSet::Grade4:
    case ECharSet::Grade5:
    case ECharSet::Grade6: return QStringLiteral("教育漢字 第%1学年").arg(SchoolYear(set));
    case ECharSet::Joyo: return QStringLiteral("常用漢字");
    case ECharSet::Jinmeiyo: return QStringLiteral("人名用漢字");
    case ECharSet::OwnText: return QStringLiteral("自分の文章");
    }
    return {};
}

const QList<CCharCell>& CCharSets::Cells(ECharSet set)
{
    static const QList<CCharCell> none;
    const auto index = static_cast<size_t>(set);
    return index < Table().cells.size() ? Table().cells[index] : none;
}

quint16 CCharSets::CanonicalCode(quint16 code)
{
    const quint16 unit = CharToUnicode(code);
    quint16 canonical = 0;
    // The user-defined area holds no character of the code page.
    if (unit == 0 || QChar::category(char32_t(unit)) == QChar::Other_PrivateUse ||
        UnicodeToChar(unit, canonical) == 0)
        return 0;
    return canonical;
}
