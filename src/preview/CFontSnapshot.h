#pragma once

#include <QString>
#include <QTemporaryDir>
#include <atomic>

class CFontEditorSession;
class IAutomationSystem;
class IFontFileField;

// The font as it is now, as a file that other code may read while the work
// goes on: the editor writes a copy of the font it has open into a folder of
// this run's own, leaving the font's own file and state alone. Without an
// editor, or with no font open in it, the font is the file the font file
// field names, since nothing has been put into it.
//
// Writing a large font takes the editor longer than a window may stop
// answering, so the copy is asked for over a connection of its own that a
// worker thread opens and closes; the editor serves both connections from
// one set of fonts.
class CFontSnapshot {
public:
    enum class EStatus { Ready, FromEditor, NoFont, EditorLacksCopy, Failed };
    struct SResult {
        EStatus status = EStatus::NoFont;
        QString path; // the file to read when Ready
        QString message; // one line for the user otherwise
    };

    CFontSnapshot(CFontEditorSession& session, IAutomationSystem& system, const IFontFileField& field);

    // On the interface thread, quickly: FromEditor when the copy is to come
    // from the editor (then call Copy), else Ready with the field's file or
    // why there is nothing to show. Never connects to or starts the editor.
    SResult Prepare();
    // On any thread, one call at a time: the editor writes the copy.
    SResult Copy();

private:
    CFontEditorSession& m_session;
    IAutomationSystem& m_system;
    const IFontFileField& m_field;
    QTemporaryDir m_folder;
    // An editor that once answered that it has no copy member is not asked
    // again in this run.
    std::atomic<bool> m_bLacksCopy = false;
};
