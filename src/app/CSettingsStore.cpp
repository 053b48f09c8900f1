#include "app/CSettingsStore.h"

#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

#include <limits>

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

// QSettings writes the whole file to a temporary one and renames it over the
// old one (its atomic sync), so a crash or a full disk leaves the previous
// file in place; status() tells whether the write went through.
bool CSettingsStore::WriteValue(const QString& section, const QString& name, const QVariant& value) const
{
    QSettings settings(m_strFilePath, QSettings::IniFormat);
    settings.setAtomicSyncRequired(true);
    settings.setValue(Key(section, name), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QVariant CSettingsStore::ReadValue(const QString& section, const QString& name) const
{
    QSettings settings(m_strFilePath, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return {};
    return settings.value(Key(section, name));
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
