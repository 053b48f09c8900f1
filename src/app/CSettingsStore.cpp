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

// A line Qt's INI reader does not take (a "# note", a line without "=")
// puts the whole file into its format-error state, after which nothing could
// be written again. Each line is tried on its own and the ones the reader
// refuses are left out, so every other value keeps working and the next
// write repairs the file.
QByteArray WithoutUnreadableLines(const QByteArray& text)
{
    QByteArray kept;
    for (const QByteArray& line : text.split('\n')) {
        ScratchSettings alone(line + '\n');
        if (alone.Get())
            kept += line + '\n';
    }
    return kept;
}

// The file as Qt can parse it: as it is, or without its unreadable lines.
std::optional<QByteArray> ReadableText(const QString& path)
{
    std::optional<QByteArray> text = ReadWhole(path);
    if (!text)
        return std::nullopt;
    if (!ScratchSettings(*text).Get())
        return WithoutUnreadableLines(*text);
    return text;
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
    : m_strFilePath(DefaultFilePath())
{
}

CSettingsStore::CSettingsStore(QString filePath)
    : m_strFilePath(std::move(filePath))
{
}

QString CSettingsStore::DefaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Orvane/Quillery/3.1.0.ini");
}

// The new text is made and checked aside; only a text that reads back as
// exactly the intended settings replaces the file, by a rename, so a crash or
// a full disk leaves the previous file in place.
bool CSettingsStore::WriteValue(const QString& section, const QString& name, const QVariant& value) const
{
    const std::optional<QByteArray> before = ReadableText(m_strFilePath);
    if (!before)
        return false;
    ScratchSettings edited(*before);
    QSettings* settings = edited.Get();
    if (!settings)
        return false;
    settings->setValue(Key(section, name), value);
    settings->sync();
    const std::optional<QByteArray> after = ReadWhole(edited.Path());
    if (settings->status() != QSettings::NoError || !after)
        return false;
    ScratchSettings check(*after);
    if (!check.Get() || !SameSettings(*settings, *check.Get()))
        return false;
    QDir().mkpath(QFileInfo(m_strFilePath).path());
    return WriteWhole(m_strFilePath, *after);
}

QVariant CSettingsStore::ReadValue(const QString& section, const QString& name) const
{
    const std::optional<QByteArray> text = ReadableText(m_strFilePath);
    if (!text)
        return {};
    ScratchSettings parsed(*text);
    QSettings* settings = parsed.Get();
    return settings ? settings->value(Key(section, name)) : QVariant();
}

bool CSettingsStore::WriteRegDword(const QString& section, const QString& name, int32_t value) const
{
    return WriteValue(section, name, QString::number(value));
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
