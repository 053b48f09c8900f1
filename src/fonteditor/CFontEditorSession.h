#pragma once

#include "fonteditor/CGlyphsmithApplication.h"
#include "fonteditor/CGlyphsmithTypeface.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class IAutomationSystem;
class IMessageBox;
class IFontFileField;
class CDispatchException;

// The drawing view's one connection to the font editor and the font it writes
// glyphs into. The connection is made by the first command that puts
// something into the editor and is kept for the whole run; when the editor
// went away (or could not be started), the next such command connects again.
// The font is fetched afresh before every use, so the user may switch fonts in
// the editor in between.
class CFontEditorSession {
public:
    static inline const QString kProgId = QStringLiteral("Glyphsmith.Application");

    CFontEditorSession(IAutomationSystem& system, IMessageBox& messages, IFontFileField& fontFileField);
    ~CFontEditorSession();

    // Attaches to the running editor or launches one, then checks its version.
    // Called only while no usable connection exists (see EnsureEditor).
    bool ConnectEditor();
    // True when an editor is attached, connecting first when none is.
    bool EnsureEditor();
    // Attaches m_editorFont to the font the font file field names: the
    // editor's open font when it is that file (or the field is empty), else
    // that file opened or, after a question, created, else a new font. A font
    // left for another one is saved first when glyphs went into it. Reports
    // its own failures.
    bool OpenFontInEditor();
    // Attaches m_editorFont to the editor's open font when it is the one the
    // field names; never switches fonts, asks, reports or connects.
    bool AttachFollowedFont();
    // The field's text as a full path: a bare name or a relative path is
    // taken in the user's documents folder, "~" is the home folder. Empty for
    // an empty field.
    static QString ResolveFontPath(const QString& fieldText);
    static bool IsSameFile(const QString& a, const QString& b);
    // The file of the font glyphs go into now, or a description of a font
    // that has none yet; never reports.
    QString CurrentFontName();

    // The "..." button gave a path (empty when cancelled).
    void OnChooseFontFile(const QString& chosenPath);
    // Saves the editor's font under a new name; reports its own failures.
    bool SaveFontAs(const QString& path);
    // Saves the font to its file for use outside the program: the editor's
    // font, asking for a file name first (askFileName; empty cancels) when it
    // has none yet; without a connection, the existing file the font file
    // field names, as nothing can have changed it. The file's path, empty
    // when there is none; reports its own failures.
    QString SaveFontToFile(const std::function<QString()>& askFileName);
    // Whether the editor has a font open now; never reports, never connects.
    // While another connection keeps the editor busy, the last answer.
    bool HasActiveFont();
    // Another connection of this program (the preview's copy of the font)
    // keeps the editor busy: command states, asked at every pen stroke, must
    // not wait for it.
    void SetEditorBusyElsewhere(bool busy) { m_bBusyElsewhere = busy; }

    // The main window is about to close: false when the user chose to stay
    // because glyphs went into a new font that has no file yet.
    bool QueryClose();
    // The view goes away: saves the editor's font when glyphs were written and
    // releases the editor. Gives the value for the setting FontFilePath, or
    // nothing when the setting should keep its previous value. The program
    // ends right after, and the editor with it, so work that could not be
    // saved is never dropped quietly: the user is told why, may choose
    // another file, and otherwise a recovery copy goes to the data folder.
    std::optional<QString> ReleaseAtExit(const QString& frameFontFilePath);
    // True when the font was not saved at exit where it belongs (a recovery
    // copy may still have been written).
    bool IsExitSaveFailed() const { return m_bExitSaveFailed; }
    // Where recovery copies go: a folder of the user's data folder.
    static QString RecoveryFolder();

    // Imports the BMP file as the glyph of the character code (one byte, or
    // lead byte * 256 + trail byte) and deletes the file whatever happens.
    // True when the whole import sequence went through.
    bool WriteGlyph(const QString& bmpPath, qint32 charCode, bool bVertical);

    // Listeners called after each change the program made to the font's
    // glyphs (a glyph written or removed), so that views of the font follow.
    void AddFontChangedListener(std::function<void()> listener) { m_fontChanged.push_back(std::move(listener)); }
    void NotifyFontChanged();

    // Shows an editor failure in front of the drawing window; while quiet,
    // only collects it.
    void ReportEditorError(const QString& text);
    // During a batch run failures are collected for its log instead of
    // being shown one box at a time. EndQuiet gives what was collected.
    void BeginQuiet();
    QStringList EndQuiet();
    bool IsQuiet() const { return m_bQuiet; }
    void SetBringToFront(std::function<void()> bringToFront) { m_bringToFront = std::move(bringToFront); }
    // The platform's save dialog, offered when the save at exit fails; given
    // the font's current path, it returns the chosen one or an empty text.
    // Without it the failure is reported and a recovery copy written.
    using SaveAsChooser = std::function<QString(const QString& currentPath)>;
    void SetSaveAsChooser(SaveAsChooser choose) { m_chooseSaveAs = std::move(choose); }

    // A change to the font other than a glyph (its names) that the save at
    // exit has to write.
    void MarkFontChanged() { m_bFontChanged = true; }

    static double ParseEditorVersion(const QString& version);
    static QString FormatDispatchError(const CDispatchException& e);

    CGlyphsmithApplication* EditorApp() const { return m_pEditorApp.get(); }
    CGlyphsmithTypeface& EditorFont() { return m_editorFont; }
    bool IsEditorStartFailed() const { return m_bEditorStartFailed; }
    bool IsGlyphWritten() const { return m_bGlyphWritten; }
    // Something other than an import changed the font (a glyph removed), so
    // that it is saved at exit as after an import.
    void NoteFontChanged()
    {
        m_bGlyphWritten = true;
        m_bFontChanged = true;
        NotifyFontChanged();
    }

    // Runs an editor operation, reporting dispatch exceptions and other
    // automation failures; false when it failed.
    bool Guarded(const std::function<bool()>& operation);

private:
    bool CheckVersion();
    bool CreateNewFont(const QString& savePath);
    // Tells once, after a font was opened or made, how many glyphs the editor
    // brought back from a run that ended before it saved.
    void ReportRecoveredGlyphs();
    bool HasUnsavedWork() const { return m_bGlyphWritten || m_bFontChanged; }
    // The save at exit of a font with a file, then the other name the user may
    // choose, then the recovery copy. Gives the font's path afterwards.
    QString KeepFontAtExit(const QString& path);
    enum class ESaveOutcome { Saved, Refused, Lost };
    ESaveOutcome TrySave(const std::function<void()>& save, QString& reason);
    // Writes the font into the recovery folder and says where; the reason is
    // why it could not be saved where it belongs (empty for a new font).
    void WriteRecoveryCopy(const QString& fontPath, const QString& reason);
    bool LeaveFontFor(const QString& wanted);

    IAutomationSystem& m_system;
    IMessageBox& m_messages;
    IFontFileField& m_fontFileField;
    std::function<void()> m_bringToFront;
    SaveAsChooser m_chooseSaveAs;
    std::vector<std::function<void()>> m_fontChanged;

    std::unique_ptr<CGlyphsmithApplication> m_pEditorApp;
    CGlyphsmithTypeface m_editorFont;
    bool m_bEditorStartFailed = false;
    bool m_bGlyphWritten = false;
    // Glyphs went into the attached font, or its names were changed or
    // glyphs removed, since it was opened or saved.
    bool m_bFontChanged = false;
    bool m_bExitSaveFailed = false;
    bool m_bQuiet = false;
    QStringList m_quietErrors;
    bool m_bBusyElsewhere = false;
    bool m_bLastActiveFont = false;
};
