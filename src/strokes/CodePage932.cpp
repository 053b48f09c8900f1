#include "strokes/CodePage932.h"

#include <iconv.h>

#include <optional>

namespace {

// One iconv conversion descriptor per direction and thread, opened on first
// use; glibc's "CP932" is the Windows variant of Shift-JIS.
class IconvHandle
{
public:
    IconvHandle(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (IsOpen())
            iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool IsOpen() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // The whole input converted, or nothing when any character is invalid,
    // incomplete or has no exact counterpart.
    std::optional<QByteArray> Convert(const QByteArray& in)
    {
        if (!IsOpen())
            return std::nullopt;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        QByteArray out(in.size() * 4 + 8, '\0');
        char* inPtr = const_cast<char*>(in.constData());
        size_t inLeft = static_cast<size_t>(in.size());
        char* outPtr = out.data();
        size_t outLeft = static_cast<size_t>(out.size());
        const size_t done = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
        // A positive count means characters were replaced by approximations.
        if (done != 0 || inLeft != 0)
            return std::nullopt;
        if (iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft) != 0)
            return std::nullopt;
        out.truncate(static_cast<qsizetype>(outPtr - out.data()));
        return out;
    }

private:
    iconv_t m_cd;
};

IconvHandle& Decoder()
{
    thread_local IconvHandle handle("UTF-16LE", "CP932");
    return handle;
}

IconvHandle& Encoder()
{
    thread_local IconvHandle handle("CP932", "UTF-16LE");
    return handle;
}

QByteArray Utf16Bytes(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

QString FromUtf16Bytes(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto lo = static_cast<quint8>(bytes[i]);
        const auto hi = static_cast<quint8>(bytes[i + 1]);
        text.append(QChar(static_cast<char16_t>(hi << 8 | lo)));
    }
    return text;
}

struct Twin
{
    quint16 code;
    char16_t cp932Unit;
    char16_t jisUnit;
};

constexpr Twin kTwins[] = {
    {0x815C, u'\u2015', u'\u2014'}, {0x8160, u'\uFF5E', u'\u301C'}, {0x8161, u'\u2225', u'\u2016'},
    {0x817C, u'\uFF0D', u'\u2212'}, {0x8191, u'\uFFE0', u'\u00A2'}, {0x8192, u'\uFFE1', u'\u00A3'},
    {0x81CA, u'\uFFE2', u'\u00AC'},
};

// Text with every JIS twin replaced by the code page's own code point.
QString WithCp932Twins(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        for (const Twin& twin : kTwins) {
            if (c.unicode() == twin.jisUnit)
                c = QChar(twin.cp932Unit);
        }
    }
    return out;
}

bool IsLeadByte(quint8 b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

} // namespace

quint16 CharCode(const QByteArray& ch)
{
    const quint8 first = ch.size() > 0 ? static_cast<quint8>(ch[0]) : 0;
    const quint8 second = ch.size() > 1 ? static_cast<quint8>(ch[1]) : 0;
    if (second == 0)
        return first;
    return static_cast<quint16>(first << 8 | second);
}

QByteArray CharFromCode(quint16 code)
{
    if (code <= 0xFF)
        return QByteArray(1, static_cast<char>(code));
    QByteArray ch(2, '\0');
    ch[0] = static_cast<char>(code >> 8);
    ch[1] = static_cast<char>(code & 0xFF);
    return ch;
}

quint16 CharToUnicode(quint16 code)
{
    const QByteArray in = CharFromCode(code);
    const auto out = Decoder().Convert(in);
    if (!out || out->size() != 2)
        return 0;
    return static_cast<quint16>(static_cast<quint8>((*out)[1]) << 8 | static_cast<quint8>((*out)[0]));
}

quint16 Cp932TwinUnit(quint16 code)
{
    for (const Twin& twin : kTwins) {
        if (twin.code == code)
            return twin.jisUnit;
    }
    return 0;
}

int UnicodeToChar(quint16 unit, quint16& out)
{
    out = 0;
    // Unit 0 stands for a character that could not be converted.
    if (unit == 0)
        return 0;
    unit = WithCp932Twins(QString(QChar(static_cast<char16_t>(unit))))[0].unicode();
    const auto bytes = Encoder().Convert(Utf16Bytes(QString(QChar(static_cast<char16_t>(unit)))));
    if (!bytes || bytes->isEmpty() || bytes->size() > 2)
        return 0;
    const quint16 code = CharCode(*bytes);
    // Only a mapping that leads back to the same unit counts: a look-alike
    // would silently change the character.
    if (CharToUnicode(code) != unit)
        return 0;
    out = code;
    return static_cast<int>(bytes->size());
}

QString Cp932ToString(const QByteArray& bytes, bool* ok)
{
    const auto out = Decoder().Convert(bytes);
    if (ok)
        *ok = out.has_value();
    return out ? FromUtf16Bytes(*out) : QString();
}

QByteArray StringToCp932(const QString& text, bool* ok)
{
    const QString cp932Text = WithCp932Twins(text);
    const auto out = Encoder().Convert(Utf16Bytes(cp932Text));
    const bool converted = out.has_value() && Cp932ToString(*out) == cp932Text;
    if (ok)
        *ok = converted;
    return converted ? *out : QByteArray();
}

int Cp932CharCount(const QByteArray& bytes)
{
    int count = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i, ++count) {
        if (IsLeadByte(static_cast<quint8>(bytes[i])) && i + 1 < bytes.size())
            ++i;
    }
    return count;
}

int Cp932ByteLength(const QString& text)
{
    int length = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        bool ok = false;
        const QByteArray bytes = StringToCp932(text.mid(i, width), &ok);
        length += ok ? static_cast<int>(bytes.size()) : 2;
        i += width;
    }
    return length;
}
