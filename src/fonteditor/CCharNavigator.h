#pragma once

#include "fonteditor/ICharNavigationHost.h"

#include <optional>

class IMessageBox;

// The current character's commands: next and previous character, which let
// the font editor decide which codes exist, the next character of the
// user's plan that the font lacks, and the reactions to the character field
// and the vertical-writing box.
class CCharNavigator
{
public:
    enum class Direction { Next, Prev };

    CCharNavigator(ICharNavigationHost& host, IMessageBox& messages);

    void OnNextChar() { Step(Direction::Next, true); }
    void OnPrevChar() { Step(Direction::Prev, true); }
    // The move Execute makes on its own: it never asks about the drawing.
    void OnNextCharAfterExecute() { Step(Direction::Next, false); }
    // The next character of the plan the font lacks; the editor may refuse
    // a code, which is passed over as the code walk does.
    void OnNextMissingChar() { StepToMissing(true); }
    void OnNextMissingAfterExecute() { StepToMissing(false); }
    void OnCharChanged();
    void OnVerticalClicked();

    // The candidate after k on the plain walk over 0x20-0xFE, 0x8140-0x9FFE
    // and 0xE040-0xEEEC, or nothing past either end.
    static std::optional<int> PlainStep(int k, Direction direction);
    // "エラー:%d\n%s" for a dispatch error, else "エラーが発生しました".
    static QString EditorErrorText(const GlyphSelection& failure);

private:
    void Step(Direction direction, bool ask);
    void StepToMissing(bool ask);
    bool Prepare(bool ask);
    void MoveTo(quint16 code);
    bool ConfirmDiscard();
    std::optional<int> Candidate(int k, Direction direction, bool vertical);
    bool FollowsUser() const;
    void SelectIgnoringFailure();

    ICharNavigationHost& m_host;
    IMessageBox& m_messages;
    // A move of the program's own sets the field: no question.
    bool m_bMoving = false;
    // The field or the box is set back after a No: nothing else happens.
    bool m_bRestoring = false;
};
