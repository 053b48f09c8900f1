#pragma once

#include <QString>
#include <stdexcept>

// A call to the font editor that could not be made or answered: no editor, a
// lost or silent connection, a garbled reply, a value of the wrong type.
class CAutomationFailure : public std::runtime_error {
public:
    explicit CAutomationFailure(const QString& reason, bool bAnswered = false)
        : std::runtime_error(reason.toStdString())
        , m_strReason(reason)
        , m_bAnswered(bAnswered)
    {
    }
    const QString& Reason() const { return m_strReason; }
    // The editor itself answered that it could not make the call (an unknown
    // member, wrong arguments); the connection is still good.
    bool IsAnswered() const { return m_bAnswered; }

private:
    QString m_strReason;
    bool m_bAnswered;
};
