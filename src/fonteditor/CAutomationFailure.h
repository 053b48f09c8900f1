#pragma once

#include <QString>
#include <stdexcept>

// A call to the font editor that could not be made or answered: no editor, a
// lost or silent connection, a garbled reply, a value of the wrong type.
class CAutomationFailure : public std::runtime_error {
public:
    explicit CAutomationFailure(const QString& reason)
        : std::runtime_error(reason.toStdString())
        , m_strReason(reason)
    {
    }
    const QString& Reason() const { return m_strReason; }

private:
    QString m_strReason;
};
