#pragma once

#include "fonteditor/CExitSave.h"
#include "fonteditor/CFontPlaceChooser.h"
#include "fonteditor/CGlyphsmithApplication.h"
#include "fonteditor/CGlyphsmithTypeface.h"
#include "fonteditor/CNewFontNaming.h"
#include "fonteditor/CRestartReport.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
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
// the editor in between. An editor that dies or stops answering during a
// glyph is replaced: a new one opens the font again and the glyph is tried
// once more, and the user hears once what became of the earlier glyphs. A
// new font is named by the user as it gets its file.
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
    // left for another one is saved first when glyphs went into it. The
    // first time a font is written into, its file is tried for writing where
    // it is (a new file always); when that fails, or the editor refuses the
    // file, the user may choose another place, and only a place that works
    // is used. Reports its own failures.
    enum class EFontUse { Writing, Reading };
    bool OpenFontInEditor(EFontUse use = EFontUse::Writing);
    // Attaches m_editorFont to the editor's open font when it is the one the
    // field names; never switches fonts, asks, reports or connects.
    bool AttachFollowedFont();
    // The file of the font glyphs go into now, or a description of a font
    // that has none yet; never reports.
    QString CurrentFontName();

    // The "..." button gave a path (empty when cancelled).
    void OnChooseFontFile(const QString& chosenPath);
    // Saves the editor's font under a new name (a new font is named first;
    // cancelling that cancels the save); reports its own failures.
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
    bool IsExitSaveFailed() const { return m_exitSave.IsFailed(); }

    // Imports the BMP file as the glyph of the character code (one byte, or
    // lead byte * 256 + trail byte) and deletes the file whatever happens.
    // True when the whole import sequence went through. When the editor
    // dies or stops answering on the way, a new one takes the font and the
    // glyph is tried once more.
    bool WriteGlyph(const QString& bmpPath, qint32 charCode, bool bVertical);
    // The last WriteGlyph failed before any glyph call: there was no editor
    // or no font (its failure has been told).
    bool IsFontUnavailable() const { return m_bFontUnavailable; }

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
    // A batch run starts or ends: the editor is told (it may then look for
    // the next call before it sleeps, as the client does), and news of a
    // restarted editor waits for the run's summary.
    void SetBatchMode(bool bBatch);
    using SBatchNotes = CRestartReport::SBatchNotes;
    // What the run's summary should tell about the editor, taken once.
    SBatchNotes TakeBatchNotes() { return m_restart.TakeBatchNotes(); }
    void SetBringToFront(std::function<void()> bringToFront)
    {
        m_bringToFront = bringToFront;
        m_places.SetBringToFront(std::move(bringToFront));
    }
    // The platform's save dialog, offered when a font cannot be written where
    // it is, or the editor refuses it, or the save at exit fails; given the
    // font's current path, it returns the chosen one or an empty text.
    // Without it the failure is reported and a recovery copy written.
    using SaveAsChooser = CFontPlaceChooser::SaveAsChooser;
    void SetSaveAsChooser(SaveAsChooser choose) { m_places.SetSaveAsChooser(std::move(choose)); }
    // How a new font gets its names as it gets its file: the window's
    // dialog, or the names of the command line.
    CNewFontNaming& Naming() { return m_naming; }

    // A change to the font other than a glyph (its names) that the save at
    // exit has to write.
    void MarkFontChanged() { m_bFontChanged = true; }
    // The user named the font (font information): a Save As of the new font
    // keeps those names instead of asking again.
    void MarkFontNamed() { m_bNamedByUser = true; }

    static double ParseEditorVersion(const QString& version);
    // "エラー:%d\n%s"; an editor's refusal of a font file (held by another
    // program, or not one it can keep whole) is its own description alone.
    static QString FormatDispatchError(const CDispatchException& e);
    // How long opening or writing a font of that many bytes may take.
    static int LongCallBoundMs(qint64 fontBytes);

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
    void PutBatchMode();
    QString LaunchFailureText() const;
    // A new font without a file.
    bool CreateNewFont();
    // A new font for the file at path: named first (cancelling that makes
    // nothing), then made, given its file and its names.
    bool CreateFontAt(const QString& path);
    bool OpenExistingFont(const QString& path, EFontUse use);
    // The field names a file that does not exist: made after a question.
    bool CreateMissingFont(const QString& path);
    // The font in hand (its file the one given) is used from now on once its
    // file can be written where it is, or once the user chose another place
    // for it.
    bool EnsureWritablePlace(const QString& path, EFontUse use);
    // A file the editor will not take: its reason, and a new font in another
    // file instead when the user wants one.
    bool OfferNewFontInstead(const QString& refused, const QString& reason);
    void TakeFontFile(const QString& path);
    // The names go into the font that just got its file, to be saved with
    // it; a refusal is told and the font is used all the same.
    void GiveNames(const SFontNames& names);
    // Tells once, after a font was opened or made, what the editor brought
    // back (see CRestartReport).
    void ReportRecovery();
    // The bound of the calls that read or write the whole font, from its
    // file and what went into it.
    void PrepareLongCall(const QString& path);
    // Remembers that the editor went away under a call.
    void NoteEditorGone();
    enum class EImport { Done, Failed, EditorGone };
    EImport ImportGlyph(const QString& bmpPath, qint32 charCode, bool bVertical);
    bool HasUnsavedWork() const { return m_bGlyphWritten || m_bFontChanged; }
    // An editor that went away during the save at exit: a new one takes
    // the font again, with what its journal kept.
    bool ReopenForExit(const QString& path);
    bool LeaveFontFor(const QString& wanted);

    IAutomationSystem& m_system;
    IMessageBox& m_messages;
    IFontFileField& m_fontFileField;
    std::function<void()> m_bringToFront;
    std::vector<std::function<void()>> m_fontChanged;

    std::unique_ptr<CGlyphsmithApplication> m_pEditorApp;
    CGlyphsmithTypeface m_editorFont;
    bool m_bEditorStartFailed = false;
    bool m_bGlyphWritten = false;
    // Glyphs went into the attached font, or its names were changed or
    // glyphs removed, since it was opened or saved.
    bool m_bFontChanged = false;
    // The user gave the attached font its names in this session.
    bool m_bNamedByUser = false;
    bool m_bQuiet = false;
    QStringList m_quietErrors;
    bool m_bBusyElsewhere = false;
    bool m_bLastActiveFont = false;
    bool m_bFontUnavailable = false;

    bool m_bBatch = false;
    // While a glyph may be tried again, a vanished editor is not reported
    // but noted here.
    int m_nDeferGone = 0;
    bool m_bGoneInCall = false;
    // The font file last tried and found writable where it is.
    QString m_strWritableFont;
    CRestartReport m_restart;
    CFontPlaceChooser m_places;
    CNewFontNaming m_naming;
    CExitSave m_exitSave;
    friend class CDeferEditorGone;
};
