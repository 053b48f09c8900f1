#include "app/CCharFieldRule.h"

#include <QStringEncoder>

QByteArray CCharFieldRule::ToBytes(const QString& text)
{
    QStringEncoder encoder("CP932", QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder(text);
    return encoder.hasError() ? QByteArray() : bytes;
}

bool CCharFieldRule::Accepts(const QString& text)
{
    if (text.isEmpty())
        return true;
    const QByteArray bytes = ToBytes(text);
    return !bytes.isEmpty() && bytes.size() <= kMaxBytes;
}

int CCharFieldRule::CodeOf(const QString& text)
{
    const QByteArray bytes = ToBytes(text);
    if (bytes.isEmpty())
        return 0;
    const int first = static_cast<uint8_t>(bytes[0]);
    if (bytes.size() < 2 || bytes[1] == 0)
        return first;
    return first * 256 + static_cast<uint8_t>(bytes[1]);
}
