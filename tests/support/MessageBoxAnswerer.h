#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include <deque>

// Answers the program's modal message boxes as a user would, by clicking the
// next button of the queue (Yes, No, OK...), and keeps their texts. With the
// queue empty a box is dismissed as with Esc.
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

private:
    void Poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
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
