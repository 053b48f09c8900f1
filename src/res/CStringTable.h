#pragma once

#include <QString>

// The program's texts for commands: the menu text, the status-bar prompt and
// the tool tip, kept in one place.
class CStringTable
{
public:
    struct CommandText
    {
        QString menu;
        QString prompt;
        QString toolTip;
    };

    // Empty texts for an id that has none.
    static CommandText Command(int id);
    // The prompt pane's text while nothing else is shown there.
    static QString IdlePrompt();
};
