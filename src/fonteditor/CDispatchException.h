#pragma once

#include <QString>
#include <QtGlobal>
#include <stdexcept>

// The editor received the call and refused it, with its own 16-bit error code
// and description (2006: a character code the font does not take).
class CDispatchException : public std::runtime_error {
public:
    CDispatchException(quint16 code, const QString& description)
        : std::runtime_error(description.toStdString())
        , m_wCode(code)
        , m_strDescription(description)
    {
    }
    quint16 Code() const { return m_wCode; }
    const QString& Description() const { return m_strDescription; }

private:
    quint16 m_wCode;
    QString m_strDescription;
};
