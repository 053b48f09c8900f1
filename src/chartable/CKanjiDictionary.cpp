#include "chartable/CKanjiDictionary.h"

#include <QChar>
#include <QFile>
#include <QSet>

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

struct GzCloser
{
    void operator()(gzFile file) const { gzclose(file); }
};

// The whole file, gzip or plain (zlib reads both), or nothing with the
// reason in error.
std::optional<QByteArray> ReadCompressed(const QString& path, QString& error)
{
    const std::unique_ptr<gzFile_s, GzCloser> file(gzopen(QFile::encodeName(path).constData(), "rb"));
    if (!file) {
        error = QStringLiteral("ファイルを開けません");
        return std::nullopt;
    }
    QByteArray data;
    constexpr int kChunk = 1 << 20;
    for (;;) {
        const qsizetype at = data.size();
        data.resize(at + kChunk);
        const int got = gzread(file.get(), data.data() + at, kChunk);
        if (got < 0) {
            int code = 0;
            error = QString::fromUtf8(gzerror(file.get(), &code));
            return std::nullopt;
        }
        data.resize(at + got);
        if (got == 0)
            break;
        if (data.size() > CKanjiDictionary::kMaxBytes) {
            error = QStringLiteral("大きすぎます");
            return std::nullopt;
        }
    }
    return data;
}

constexpr QByteArrayView kOpen("<character>");
constexpr QByteArrayView kClose("</character>");

// The text of an entry's first element of that name, or nothing.
QByteArrayView ElementText(QByteArrayView block, const char* name)
{
    const QByteArray open = QByteArrayLiteral("<") + name + '>';
    const QByteArray close = QByteArrayLiteral("</") + name + '>';
    const qsizetype from = block.indexOf(open);
    if (from < 0)
        return {};
    const qsizetype to = block.indexOf(close, from);
    return to < 0 ? QByteArrayView() : block.sliced(from + open.size(), to - from - open.size()).trimmed();
}

// A positive number of at most five digits, or 0.
int SmallNumber(QByteArrayView text)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n > 0 && n < 100000 ? n : 0;
}

// The literal is one kanji: a single code point of the Han script.
char32_t OneKanji(const QString& text)
{
    const QList<uint> points = text.toUcs4();
    if (points.size() != 1 || QChar::script(points.front()) != QChar::Script_Han)
        return 0;
    return points.front();
}

bool IsKnownGrade(int grade)
{
    return (grade >= 1 && grade <= 6) || grade == 8 || grade == 9 || grade == 10;
}

} // namespace

QString CKanjiDictionary::DefaultPath()
{
    return QStringLiteral("/usr/share/edict/kanjidic2.xml.gz");
}

CKanjiDictionary::CKanjiDictionary(QString path) : m_strPath(std::move(path)) {}

void CKanjiDictionary::Load()
{
    if (m_status == EStatus::Loaded)
        return;
    m_entries.clear();
    m_strError.clear();
    if (!QFile::exists(m_strPath)) {
        m_status = EStatus::Missing;
        return;
    }
    const std::optional<QByteArray> xml = ReadCompressed(m_strPath, m_strError);
    m_status = xml && Parse(*xml) ? EStatus::Loaded : EStatus::Damaged;
    if (m_status != EStatus::Loaded)
        m_entries.clear();
}

// The lists need three elements of each entry. A general XML reader spends
// most of a second tokenising the 16 MB of the file; the entries are found
// by their tags instead, and the file's frame is checked so that a cut or
// foreign file is refused rather than read as a short list. An entry with a
// grade this program does not know (a later edition might add one) keeps its
// rank and is left out of the grade lists.
bool CKanjiDictionary::Parse(const QByteArray& xml)
{
    const QByteArrayView doc(xml);
    const qsizetype root = doc.indexOf("<kanjidic2>");
    const qsizetype end = doc.lastIndexOf("</kanjidic2>");
    if (!doc.startsWith("<?xml") || root < 0 || end < root) {
        m_strError = QStringLiteral("KANJIDIC2 の形式ではありません");
        return false;
    }
    QSet<char32_t> seen;
    for (qsizetype at = doc.indexOf(kOpen, root); at >= 0 && at < end; at = doc.indexOf(kOpen, at)) {
        const qsizetype close = doc.indexOf(kClose, at);
        const qsizetype next = doc.indexOf(kOpen, at + kOpen.size());
        if (close < 0 || close > end || (next >= 0 && next < close)) {
            m_strError = QStringLiteral("閉じていない項目があります");
            return false;
        }
        const QByteArrayView block = doc.sliced(at, close - at);
        SKanjiEntry entry;
        entry.ch = OneKanji(QString::fromUtf8(ElementText(block, "literal")));
        const int grade = SmallNumber(ElementText(block, "grade"));
        entry.grade = IsKnownGrade(grade) ? grade : 0;
        entry.rank = SmallNumber(ElementText(block, "freq"));
        if (entry.ch != 0 && (entry.grade != 0 || entry.rank != 0) && !seen.contains(entry.ch)) {
            seen.insert(entry.ch);
            m_entries.append(entry);
        }
        at = close + kClose.size();
    }
    if (std::none_of(m_entries.cbegin(), m_entries.cend(), [](const SKanjiEntry& e) { return e.grade == 1; })) {
        m_strError = QStringLiteral("漢字の学年の情報がありません");
        return false;
    }
    return true;
}
