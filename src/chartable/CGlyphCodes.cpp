#include "chartable/CGlyphCodes.h"

#include "chartable/CCharSets.h"

#include <QStringView>

namespace {

int HexDigit(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// A token is one to four hexadecimal digits with an optional "v".
std::optional<CCharCell> Token(QStringView token)
{
    const bool vertical = token.endsWith(u'v');
    if (vertical)
        token.chop(1);
    if (token.isEmpty() || token.size() > 4)
        return std::nullopt;
    int code = 0;
    for (QChar c : token) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return std::nullopt;
        code = code * 16 + digit;
    }
    return CCharCell {static_cast<quint16>(code), vertical};
}

} // namespace

std::optional<QSet<quint32>> CGlyphCodes::Parse(const QString& text)
{
    QSet<quint32> cells;
    for (QStringView token : QStringView(text).split(u' ', Qt::SkipEmptyParts)) {
        const auto cell = Token(token);
        if (!cell)
            return std::nullopt;
        const quint16 canonical = CCharSets::CanonicalCode(cell->code);
        if (canonical != 0)
            cells.insert(CCharCell {canonical, cell->vertical}.Key());
    }
    return cells;
}
