#pragma once

#include <QString>
#include <functional>

class CFontPlaceChooser;
class CGlyphsmithTypeface;
class IMessageBox;

// The save at exit of a font that holds unsaved work. The program ends right
// after, and the editor with it, so the work is never dropped quietly: a
// font with a file is saved there, else under another name the user may
// choose, else a recovery copy goes to the data folder and the user is told
// why and where; a new font the user agreed to leave without a file is
// copied there too.
class CExitSave {
public:
    struct SHooks {
        // Sets the bound of a call that writes the whole font at path.
        std::function<void(const QString& path)> prepareLongCall;
        // A new editor takes the font at path again, with what its journal
        // kept; false when that did not work.
        std::function<bool(const QString& path)> reopen;
    };

    CExitSave(CGlyphsmithTypeface& font, IMessageBox& messages, CFontPlaceChooser& chooser, SHooks hooks);

    // Saves the attached font whose file is path (empty for none); gives the
    // font's path afterwards.
    QString Keep(const QString& path);
    // True when the font was not saved where it belongs (a recovery copy
    // may still have been written).
    bool IsFailed() const { return m_bFailed; }
    // Where recovery copies go: a folder of the user's data folder.
    static QString RecoveryFolder();

private:
    enum class EOutcome { Saved, Refused, Lost, EditorGone };
    static EOutcome TrySave(const std::function<void()>& save, QString& reason);
    // One cause for a save that failed: what writing there finds now, else
    // the reason the editor gave, without its own heading.
    static QString FailureCause(const QString& target, const QString& description);
    // Writes the font into the recovery folder and says where; the reason is
    // why it could not be saved where it belongs (empty for a new font).
    void WriteRecoveryCopy(const QString& fontPath, const QString& reason);

    CGlyphsmithTypeface& m_font;
    IMessageBox& m_messages;
    CFontPlaceChooser& m_chooser;
    SHooks m_hooks;
    bool m_bFailed = false;
};
