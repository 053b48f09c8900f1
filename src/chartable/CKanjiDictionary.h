#pragma once

#include <QList>
#include <QString>

// One kanji as the dictionary describes it.
struct SKanjiEntry
{
    char32_t ch = 0;
    // 1 to 6 the school year of 教育漢字, 8 the rest of 常用漢字, 9 and 10
    // 人名用漢字; 0 for none.
    int grade = 0;
    // Rank among the kanji most used in newspaper text, 1 the most used;
    // 0 for a kanji outside the ranking.
    int rank = 0;
};

// The kanji lists of KANJIDIC2, the dictionary Debian ships in the package
// kanjidic-xml: for every kanji its school grade, whether it is 常用 or
// 人名用, and its frequency rank. The file is read at run time, once, the
// first time a list is asked for; what it holds is never copied into the
// program, so a newer dictionary brings its lists with it.
class CKanjiDictionary
{
public:
    enum class EStatus { NotRead, Loaded, Missing, Damaged };

    static inline const QString kPackage = QStringLiteral("kanjidic-xml");
    static QString DefaultPath();
    // A decompressed dictionary is some 16 MB; far more is not one.
    static constexpr qint64 kMaxBytes = 128LL * 1024 * 1024;

    explicit CKanjiDictionary(QString path = DefaultPath());

    // Reads the file unless it has been read; a file that was missing or
    // damaged is tried again.
    void Load();
    EStatus Status() const { return m_status; }
    const QString& Path() const { return m_strPath; }
    // Why a damaged file could not be used.
    const QString& Error() const { return m_strError; }
    // The kanji that have a grade or a rank, in the order of the file
    // (the JIS order, which for the first level is the order of readings).
    const QList<SKanjiEntry>& Entries() const { return m_entries; }

private:
    bool Parse(const QByteArray& xml);

    QString m_strPath;
    EStatus m_status = EStatus::NotRead;
    QString m_strError;
    QList<SKanjiEntry> m_entries;
};
