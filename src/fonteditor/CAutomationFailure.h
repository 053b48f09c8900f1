#pragma once

#include <QString>
#include <stdexcept>

// A call to the font editor that could not be made or answered: no editor, a
// lost or silent connection, a garbled reply, a value of the wrong type.
class CAutomationFailure : public std::runtime_error {
public:
    enum class ECause {
        // Garbled, unattached, a value of the wrong type: the editor may
        // still be there.
        General,
        // The editor itself answered that it could not make the call (an
        // unknown member, wrong arguments); the connection is still good.
        Answered,
        // The editor died during the call, or did not answer in time and was
        // ended: a new one may be launched and the call made again.
        EditorGone,
    };

    explicit CAutomationFailure(const QString& reason, bool bAnswered = false)
        : CAutomationFailure(reason, bAnswered ? ECause::Answered : ECause::General)
    {
    }
    CAutomationFailure(const QString& reason, ECause cause)
        : std::runtime_error(reason.toStdString())
        , m_strReason(reason)
        , m_cause(cause)
    {
    }
    const QString& Reason() const { return m_strReason; }
    bool IsAnswered() const { return m_cause == ECause::Answered; }
    bool IsEditorGone() const { return m_cause == ECause::EditorGone; }

private:
    QString m_strReason;
    ECause m_cause;
};
