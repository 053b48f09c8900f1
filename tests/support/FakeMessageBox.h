#pragma once

#include "app/IMessageBox.h"

#include <QStringList>
#include <deque>

// Records every message and question; questions take their answers from a
// queue, and answer No when it is empty.
class FakeMessageBox : public IMessageBox
{
public:
    void ShowMessage(const QString& text) override { messages << text; }
    void ShowInformation(const QString& text) override { informations << text; }
    bool AskYesNo(const QString& text) override
    {
        questions << text;
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    QStringList messages;
    QStringList informations;
    QStringList questions;
    std::deque<bool> answers;
};
