#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>
#include <utility>
#include <variant>

class QVariant;

// The user's settings file: an INI file with one group per section, read and
// written one value at a time or several together. Every call reads the file
// afresh, so a value written is what the next read sees; only the parsing of
// bytes read before is reused while the file holds the same bytes. Lines the
// INI reader would refuse are left out as the file is read, and the next
// write leaves them out of the file. A read that fails (missing value, value
// of another type, integer too wide for 32 bits) returns false and leaves the
// caller's variable as it was, which is how callers keep their defaults.
// Integers are plain decimal, text is UTF-8, bytes are stored as Qt's
// @ByteArray(). For one thread at a time, as the user-interface thread uses it.
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

    // Several values of one section in one replacement of the file: all are
    // written or, when false, none. A DWORD, a text or bytes each.
    struct SValue
    {
        QString name;
        std::variant<int32_t, QString, QByteArray> value;
        bool operator==(const SValue&) const = default;
    };
    bool WriteValues(const QString& section, const QList<SValue>& values) const;

    static QString DefaultFilePath();

private:
    struct Cache;

    // Reads the file and parses it unless its bytes are those parsed last;
    // false when it cannot be read or parsed.
    bool Refresh() const;
    bool WriteVariants(const QString& section, const QList<std::pair<QString, QVariant>>& values) const;
    bool WriteValue(const QString& section, const QString& name, const QVariant& value) const;
    QVariant ReadValue(const QString& section, const QString& name) const;

    QString m_strFilePath;
    // Shared by copies: it is keyed by the file's bytes, so a copy can only
    // find the parse of exactly the bytes it read.
    std::shared_ptr<Cache> m_cache;
};
