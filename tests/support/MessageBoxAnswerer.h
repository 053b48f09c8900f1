#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include <deque>

// Answers the program's modal message boxes as a user would, by clicking the
// next button of the queue (Yes, No, OK...), and keeps their texts. With the
// queue empty a box is dismissed as with Esc. The names of a new font take
// the next answer too: Ok or Yes accepts the names proposed.
class MessageBoxAnswerer
{
public:
    explicit MessageBoxAnswerer(std::deque<QMessageBox::StandardButton> answers = {})
        : m_answers(std::move(answers))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start(20);
    }

    void Answer(std::deque<QMessageBox::StandardButton> answers) { m_answers = std::move(answers); }
    QStringList texts;
    // The name dialogs answered, by their object name.
    QStringList dialogs;

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        auto* box = qobject_cast<QMessageBox*>(modal);
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (dialog && dialog->objectName() == QLatin1String("newFontNames") && dialog->isVisible()) {
            dialogs << dialog->objectName();
            const bool accept = !m_answers.empty()
                && (m_answers.front() == QMessageBox::Ok || m_answers.front() == QMessageBox::Yes);
            if (!m_answers.empty())
                m_answers.pop_front();
            accept ? dialog->accept() : dialog->reject();
            return;
        }
        if (!box || !box->isVisible())
            return;
        texts << box->text();
        QAbstractButton* button = nullptr;
        if (!m_answers.empty()) {
            button = box->button(m_answers.front());
            m_answers.pop_front();
        }
        if (button)
            button->click();
        else
            box->reject();
    }

    std::deque<QMessageBox::StandardButton> m_answers;
    QTimer m_timer;
};
