#include "app/CSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariant>

#include <limits>
#include <memory>
#include <optional>

namespace {

QString Key(const QString& section, const QString& name)
{
    return section + QLatin1Char('/') + name;
}

// Text values come back as strings, byte arrays as QByteArray; an INI file
// keeps no other type information.
bool IsText(const QVariant& value)
{
    return value.typeId() == QMetaType::QString;
}

// The whole file; empty for a file that does not exist yet, nothing for one
// that cannot be read.
std::optional<QByteArray> ReadWhole(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return QByteArray();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// QSaveFile::commit does not notice when flushing its buffered data fails
// (a full disk), and would then put a cut-off file in place of the old one;
// flushing first and checking it leaves the old file alone instead.
bool WriteWhole(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// QSettings keeps every file it has read in a cache shared by the process and
// trusts its own last write, so the settings file itself is never opened
// through it: the text is parsed from, and produced in, a copy at a path the
// process has never used before.
class ScratchSettings
{
public:
    explicit ScratchSettings(const QByteArray& text)
        : m_strPath(NewPath())
    {
        if (!m_strPath.isEmpty() && WriteWhole(m_strPath, text) && ReadWhole(m_strPath) == text) {
            m_settings.emplace(m_strPath, QSettings::IniFormat);
            // QSettings parses the file on first use; only then does its
            // status tell whether the text could be parsed.
            m_settings->allKeys();
        }
    }
    ~ScratchSettings()
    {
        m_settings.reset();
        if (!m_strPath.isEmpty())
            QFile::remove(m_strPath);
    }
    ScratchSettings(const ScratchSettings&) = delete;
    ScratchSettings& operator=(const ScratchSettings&) = delete;

    QSettings* Get() { return m_settings && m_settings->status() == QSettings::NoError ? &*m_settings : nullptr; }
    const QString& Path() const { return m_strPath; }

private:
    static QString NewPath()
    {
        static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/quillery-settings-XXXXXX"));
        static int counter = 0;
        return dir.isValid() ? dir.filePath(QStringLiteral("%1.ini").arg(++counter)) : QString();
    }

    QString m_strPath;
    std::optional<QSettings> m_settings;
};

// Qt's INI reader reads a file as logical lines: a line ends at a line
// break or at a ";" (which starts a comment) outside double quotes, a
// backslash escapes the character after it, and a line starting with ";" is
// a comment. A logical line that starts with "[" must close its section name
// with "]"; any other must have an "=" outside quotes. A single line that
// breaks either rule puts the whole file into the reader's format-error
// state, after which nothing could be written again.
bool IniLineAccepted(QByteArrayView line)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    qsizetype i = 0;
    const qsizetype end = line.size();
    while (i < end) {
        while (i < end && isSpace(line[i]))
            ++i;
        if (i == end)
            break;
        if (line[i] == ';') {
            while (i < end && line[i] != '\r' && line[i] != '\n')
                ++i;
            continue;
        }
        const qsizetype start = i;
        bool inQuotes = false;
        bool equals = false;
        while (i < end) {
            const char c = line[i];
            if (!inQuotes && (c == '\r' || c == '\n' || c == ';'))
                break;
            if (c == '\\')
                ++i;
            else if (c == '"')
                inQuotes = !inQuotes;
            else if (c == '=' && !inQuotes)
                equals = true;
            ++i;
        }
        const QByteArrayView logical = line.sliced(start, std::min(i, end) - start);
        if (logical.startsWith('[') ? !logical.contains(']') : !equals)
            return false;
    }
    return true;
}

// Lines the reader refuses are left out, so every other value keeps working
// and the next write repairs the file. Each line is judged on its own, in one
// pass over the text.
QByteArray WithoutUnreadableLines(const QByteArray& text)
{
    QByteArray kept;
    kept.reserve(text.size());
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype stop = text.indexOf('\n', start);
        if (stop < 0)
            stop = text.size();
        const QByteArrayView line = QByteArrayView(text).sliced(start, stop - start);
        if (IniLineAccepted(line)) {
            kept += line;
            kept += '\n';
        }
        start = stop + 1;
    }
    return kept;
}

// The same, asking Qt's reader about each line in a file of its own: slow,
// but the last word for a text the rule above misjudged.
QByteArray WithoutLinesQtRefuses(const QByteArray& text)
{
    QByteArray kept;
    for (const QByteArray& line : text.split('\n')) {
        ScratchSettings alone(line + '\n');
        if (alone.Get())
            kept += line + '\n';
    }
    return kept;
}

// The file as Qt can parse it, with the parsed settings: as it is, or
// without its unreadable lines.
struct ParsedFile
{
    QByteArray text;
    std::shared_ptr<ScratchSettings> parsed;
};

std::optional<ParsedFile> Parse(const QByteArray& raw)
{
    auto whole = std::make_shared<ScratchSettings>(raw);
    if (whole->Get())
        return ParsedFile {raw, whole};
    QByteArray kept = WithoutUnreadableLines(raw);
    auto filtered = std::make_shared<ScratchSettings>(kept);
    if (!filtered->Get()) {
        kept = WithoutLinesQtRefuses(raw);
        filtered = std::make_shared<ScratchSettings>(kept);
    }
    if (!filtered->Get())
        return std::nullopt;
    return ParsedFile {kept, filtered};
}

QVariant ToVariant(int32_t value)
{
    return QString::number(value);
}

QVariant ToVariant(const QString& value)
{
    return value;
}

QVariant ToVariant(const QByteArray& value)
{
    return value;
}

bool SameSettings(QSettings& a, QSettings& b)
{
    const QStringList keys = a.allKeys();
    if (keys.size() != b.allKeys().size())
        return false;
    for (const QString& key : keys) {
        if (a.value(key) != b.value(key))
            return false;
    }
    return true;
}

} // namespace

CSettingsStore::CSettingsStore()
    : CSettingsStore(DefaultFilePath())
{
}

CSettingsStore::CSettingsStore(QString filePath)
    : m_strFilePath(std::move(filePath))
    , m_cache(std::make_shared<Cache>())
{
}

QString CSettingsStore::DefaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Orvane/Quillery/3.1.0.ini");
}

// The file read and parsed last, kept for as long as the file holds the same
// bytes: a start reads a dozen values, and a file of many lines would
// otherwise be parsed a dozen times.
struct CSettingsStore::Cache
{
    QByteArray raw;
    std::optional<ParsedFile> parsed;
};

bool CSettingsStore::Refresh() const
{
    const std::optional<QByteArray> raw = ReadWhole(m_strFilePath);
    if (!raw)
        return false;
    if (!m_cache->parsed || m_cache->raw != *raw) {
        m_cache->parsed = Parse(*raw);
        m_cache->raw = *raw;
    }
    return m_cache->parsed.has_value();
}

// The new text is made and checked aside; only a text that reads back as
// exactly the intended settings replaces the file, by a rename, so a crash or
// a full disk leaves the previous file in place.
bool CSettingsStore::WriteVariants(const QString& section, const QList<std::pair<QString, QVariant>>& values) const
{
    if (!Refresh())
        return false;
    ScratchSettings edited(m_cache->parsed->text);
    QSettings* settings = edited.Get();
    if (!settings)
        return false;
    for (const auto& [name, value] : values)
        settings->setValue(Key(section, name), value);
    settings->sync();
    const std::optional<QByteArray> after = ReadWhole(edited.Path());
    if (settings->status() != QSettings::NoError || !after)
        return false;
    auto check = std::make_shared<ScratchSettings>(*after);
    if (!check->Get() || !SameSettings(*settings, *check->Get()))
        return false;
    QDir().mkpath(QFileInfo(m_strFilePath).path());
    if (!WriteWhole(m_strFilePath, *after))
        return false;
    m_cache->raw = *after;
    m_cache->parsed = ParsedFile {*after, std::move(check)};
    return true;
}

bool CSettingsStore::WriteValue(const QString& section, const QString& name, const QVariant& value) const
{
    return WriteVariants(section, {{name, value}});
}

QVariant CSettingsStore::ReadValue(const QString& section, const QString& name) const
{
    if (!Refresh())
        return {};
    QSettings* settings = m_cache->parsed->parsed->Get();
    return settings ? settings->value(Key(section, name)) : QVariant();
}

bool CSettingsStore::WriteValues(const QString& section, const QList<SValue>& values) const
{
    QList<std::pair<QString, QVariant>> variants;
    variants.reserve(values.size());
    for (const SValue& value : values)
        variants.append({value.name, std::visit([](const auto& v) { return ToVariant(v); }, value.value)});
    return WriteVariants(section, variants);
}

bool CSettingsStore::WriteRegDword(const QString& section, const QString& name, int32_t value) const
{
    return WriteValue(section, name, ToVariant(value));
}

// A DWORD may have been stored as unsigned; both readings of the same 32 bits
// are accepted, anything wider is not.
bool CSettingsStore::ReadRegDword(const QString& section, const QString& name, int32_t& value) const
{
    const QVariant stored = ReadValue(section, name);
    if (!IsText(stored))
        return false;
    bool ok = false;
    const qlonglong number = stored.toString().trimmed().toLongLong(&ok);
    if (!ok || number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<uint32_t>::max())
        return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(number));
    return true;
}

bool CSettingsStore::WriteRegString(const QString& section, const QString& name, const QString& value) const
{
    return WriteValue(section, name, value);
}

// Text stored with a terminating zero reads as the text before it.
bool CSettingsStore::ReadRegString(const QString& section, const QString& name, QString& value) const
{
    const QVariant stored = ReadValue(section, name);
    if (!IsText(stored))
        return false;
    QString text = stored.toString();
    const qsizetype zero = text.indexOf(QChar(0));
    if (zero >= 0)
        text.truncate(zero);
    value = text;
    return true;
}

bool CSettingsStore::WriteRegBinary(const QString& section, const QString& name, const QByteArray& value) const
{
    return WriteValue(section, name, value);
}

bool CSettingsStore::ReadRegBinary(const QString& section, const QString& name, QByteArray& value) const
{
    const QVariant stored = ReadValue(section, name);
    if (stored.typeId() != QMetaType::QByteArray)
        return false;
    value = stored.toByteArray();
    return true;
}
