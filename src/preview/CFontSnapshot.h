#pragma once

#include <QString>
#include <QTemporaryDir>

class CFontEditorSession;
class IFontFileField;

// The font as it is now, as a file that other code may read while the work
// goes on: the editor writes a copy of the font it has open into a folder of
// this run's own, leaving the font's own file and state alone. Without an
// editor, or with no font open in it, the font is the file the font file
// field names, since nothing has been put into it.
class CFontSnapshot
{
public:
    enum class EStatus { Ready, NoFont, EditorLacksCopy, Failed };
    struct SResult
    {
        EStatus status = EStatus::NoFont;
        QString path;    // the file to read when Ready
        QString message; // one line for the user otherwise
    };

    CFontSnapshot(CFontEditorSession& session, const IFontFileField& field);

    // Never connects to or starts the editor and never shows a message box.
    SResult Take();

private:
    CFontEditorSession& m_session;
    const IFontFileField& m_field;
    QTemporaryDir m_folder;
};
