#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The user's settings file: an INI file with one group per section, read and
// written one value at a time. Every call opens the file afresh and nothing is
// cached, so a value written is what the next read sees. A read that fails
// (missing value, value of another type, integer too wide for 32 bits) returns
// false and leaves the caller's variable as it was, which is how callers keep
// their defaults. Integers are plain decimal, text is UTF-8, bytes are stored
// as Qt's @ByteArray().
class CSettingsStore
{
public:
    // The product's file: Orvane/Quillery/3.1.0.ini in the user's
    // configuration folder.
    CSettingsStore();
    // A file of one's own choosing, for tests.
    explicit CSettingsStore(QString filePath);

    const QString& FilePath() const { return m_strFilePath; }

    bool WriteRegDword(const QString& section, const QString& name, int32_t value) const;
    bool ReadRegDword(const QString& section, const QString& name, int32_t& value) const;
    bool WriteRegString(const QString& section, const QString& name, const QString& value) const;
    bool ReadRegString(const QString& section, const QString& name, QString& value) const;
    bool WriteRegBinary(const QString& section, const QString& name, const QByteArray& value) const;
    bool ReadRegBinary(const QString& section, const QString& name, QByteArray& value) const;

    static QString DefaultFilePath();

private:
    bool WriteValue(const QString& section, const QString& name, const QVariant& value) const;
    QVariant ReadValue(const QString& section, const QString& name) const;

    QString m_strFilePath;
};
