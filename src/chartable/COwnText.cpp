#include "chartable/COwnText.h"

#include "fonteditor/FileErrorText.h"
#include "strokes/CodePage932.h"

#include <QChar>
#include <QFile>
#include <QStringDecoder>

namespace {

bool IsMark(char32_t ch)
{
    switch (QChar::category(ch)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing: return true;
    default: return false;
    }
}

// Characters that are written: not spaces, line ends, controls, format
// characters, nor the replacement character a broken text leaves.
bool IsWritten(char32_t ch)
{
    if (QChar::isSpace(ch) || ch == QChar::ReplacementCharacter)
        return false;
    switch (QChar::category(ch)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_NotAssigned: return false;
    default: return !IsMark(ch);
    }
}

std::optional<QString> DecodeStrictly(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

void COwnText::SetText(const QString& text)
{
    m_bCut = text.size() > kMaxChars;
    m_strText = text.left(kMaxChars);
    // A surrogate pair cut in half would leave half a character.
    if (m_bCut && !m_strText.isEmpty() && m_strText.back().isHighSurrogate())
        m_strText.chop(1);
    m_cells.clear();
    m_counts.clear();
    m_nOccurrences = 0;
    const QList<uint> points = m_strText.toUcs4();
    for (qsizetype i = 0; i < points.size(); ++i) {
        qsizetype end = i + 1;
        while (end < points.size() && IsMark(points[end]))
            ++end;
        char32_t ch = points[i];
        if (end > i + 1) {
            const QList<uint> composed =
                QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData() + i), end - i)
                    .normalized(QString::NormalizationForm_C)
                    .toUcs4();
            ch = composed.front();
        }
        i = end - 1;
        if (IsWritten(ch))
            Count(ch);
    }
}

void COwnText::Count(char32_t ch)
{
    const CCharCell cell = CCharSets::CellOf(ch);
    int& count = m_counts[cell.Key()];
    if (count == 0)
        m_cells.append(cell);
    ++count;
    ++m_nOccurrences;
}

double COwnText::Coverage(const std::function<bool(const CCharCell&)>& done) const
{
    if (m_nOccurrences == 0)
        return 0;
    qint64 covered = 0;
    for (const CCharCell& cell : m_cells)
        covered += done(cell) ? m_counts.value(cell.Key()) : 0;
    return static_cast<double>(covered) / m_nOccurrences;
}

std::optional<QString> COwnText::Decode(const QByteArray& bytes)
{
    const QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        return DecodeStrictly(QStringConverter::Utf8, view.sliced(3));
    if (view.startsWith("\xFF\xFE"))
        return DecodeStrictly(QStringConverter::Utf16LE, view.sliced(2));
    if (view.startsWith("\xFE\xFF"))
        return DecodeStrictly(QStringConverter::Utf16BE, view.sliced(2));
    if (std::optional<QString> text = DecodeStrictly(QStringConverter::Utf8, view))
        return text;
    bool ok = false;
    QString text = Cp932ToString(bytes, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> COwnText::ReadFile(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("「%1」を開けません。\n原因：%2").arg(path, FileErrorText(FileError::CauseOf(file)));
        return std::nullopt;
    }
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("「%1」を読めません。\n原因：%2").arg(path, FileErrorText(FileError::CauseOf(file)));
        return std::nullopt;
    }
    if (bytes.size() > kMaxFileBytes) {
        error = QStringLiteral("「%1」は大きすぎます。読めるのは 4 MB までのテキストファイルです。").arg(path);
        return std::nullopt;
    }
    std::optional<QString> text = Decode(bytes);
    if (!text)
        error = QStringLiteral("「%1」は UTF-8 でもシフトJISでもないため、読めません。"
                               "文字コードを UTF-8 にして保存し直してから開いてください。")
                    .arg(path);
    return text;
}
