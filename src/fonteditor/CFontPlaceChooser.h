#pragma once

#include "fonteditor/CFontFileCheck.h"

#include <QString>
#include <functional>

class IMessageBox;

// The choice of another place for a font: after a folder refused the file,
// after the editor refused a file it cannot keep whole (a new font in
// another file instead), and when the save at exit failed. The text says
// why, with a button for the way out; the file the user then chooses is
// tried for writing before it is taken, and never the refused one. Without
// the platform's save dialog (the command line) only the reason is told.
class CFontPlaceChooser {
public:
    // Given the font's current or suggested path, the platform's save
    // dialog returns the chosen one or an empty text.
    using SaveAsChooser = std::function<QString(const QString& currentPath)>;

    // reportError shows a failure in front of the drawing window.
    CFontPlaceChooser(IMessageBox& messages, std::function<void(const QString&)> reportError);

    void SetSaveAsChooser(SaveAsChooser choose) { m_choose = std::move(choose); }
    void SetBringToFront(std::function<void()> bringToFront) { m_bringToFront = std::move(bringToFront); }
    bool CanChoose() const { return bool(m_choose); }

    // The save dialog alone, its answer as a font file's full path; empty
    // when cancelled or when there is no dialog.
    QString AskFile(const QString& currentPath) const;
    // Another place for a font file that cannot be written where it is
    // (refused, when given, is the file itself, which the user may not
    // choose again). Empty when the user gave up.
    QString PlaceForUnwritable(
        const CFontFileCheck::SWritePlace& place, const QString& suggested, const QString& refused);
    // A file for a new font instead of one the editor refused for the reason
    // given; suggested beside it. Empty when the user does not want one.
    QString PlaceForNewFontInstead(const QString& refused, const QString& reason);

    // "フォルダ…には書き込めません（…）。\n別の場所を選んでください。"
    static QString RefusalWithNextStep(const CFontFileCheck::SWritePlace& place);

private:
    // The text with a button for the action, then the dialog, until a file
    // that can be written is chosen; empty when the user gave up.
    QString ChooseWritablePlace(QString text, const QString& action, const QString& suggested, const QString& refused);

    IMessageBox& m_messages;
    std::function<void(const QString&)> m_reportError;
    SaveAsChooser m_choose;
    std::function<void()> m_bringToFront;
};
