#pragma once

#include "app/IMessageBox.h"

#include <QPointer>
#include <QWidget>

// IMessageBox on Qt's QMessageBox, owned by the window the boxes belong to.
class CQtMessageBox : public IMessageBox
{
public:
    explicit CQtMessageBox(QWidget* parent = nullptr) : m_pParent(parent) {}

    void SetParent(QWidget* parent) { m_pParent = parent; }

    void ShowMessage(const QString& text) override;
    void ShowStop(const QString& text) override;
    void ShowInformation(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    // The action is the box's Save button, with the action's text.
    bool AskAction(const QString& text, const QString& action) override;

    static QString Caption() { return QStringLiteral("Quillery"); }

    // While the program ends without anyone at the screen (a logout), boxes
    // would only hold the end up: every box of every window then goes to the
    // standard error output instead, and questions are answered No.
    static void SetUnattended(bool unattended) { s_bUnattended = unattended; }
    static bool IsUnattended() { return s_bUnattended; }

private:
    // Writes the text to the standard error output when unattended.
    static bool Unattended(const QString& text);

    static inline bool s_bUnattended = false;
    QPointer<QWidget> m_pParent;
};
