#pragma once

#include <QString>

// Messages and Yes/No questions, shown modally in front of the program's
// window with the caption "Quillery". Implemented with Qt's message box in the
// UI library and by test doubles.
class IMessageBox
{
public:
    virtual ~IMessageBox() = default;

    // OK only, exclamation icon.
    virtual void ShowMessage(const QString& text) = 0;
    // OK only, stop icon, for failures that lose work such as a file that
    // could not be written.
    virtual void ShowStop(const QString& text) { ShowMessage(text); }
    // OK only, information icon, for news that is no failure (glyphs brought
    // back from an earlier run).
    virtual void ShowInformation(const QString& text) { ShowMessage(text); }
    // Yes and No, question icon; true for Yes.
    virtual bool AskYesNo(const QString& text) = 0;
    // A failure with the one way on that the program offers: a button for
    // that action and Cancel, exclamation icon; true for the action.
    virtual bool AskAction(const QString& text, const QString& action)
    {
        (void)action;
        return AskYesNo(text);
    }
};
