#pragma once

#include <QString>

// The program's texts for commands: the menu text, the status-bar prompt and
// the tool tip, kept in one place; and the messages about the font editor and
// the font file, with %1, %2 where the path or the cause goes.
class CStringTable
{
public:
    enum class EMessage {
        FolderNotWritable,      // %1 folder, %2 cause
        FileNotWritable,        // %1 file, %2 cause
        ChooseOtherPlaceStep,
        ChooseOtherPlace,       // button
        SameFileChosen,         // %1 file
        FontDamaged,            // %1 file
        FontCff,                // %1 file
        FontCollection,         // %1 file
        FontVariable,           // %1 file
        OfferNewFont,
        MakeNewFont,            // button
        FontHeldElsewhere,
        EditorRestarted,
        EditorRestartedLost,    // %1 the characters
        EditorRestartedRecovered, // %1 count
        EditorStoppedAgain,
        EditorEndedDuringStart, // %1 packages
        EditorNoAnswerAtStart,
        NoRuntimeFolder,
        SaveFailedCause,        // %1 file, %2 cause
    };

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
    static QString Message(EMessage id);
};
