#pragma once

#include "fonteditor/CFontFileCheck.h"
#include "fonteditor/CGlyphsmithApplication.h"
#include "fonteditor/CGlyphsmithTypeface.h"

#include <QSet>
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
// once more, and the user hears once what became of the earlier glyphs.
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
    // The field's text as a full path: a bare name or a relative path is
    // taken in the user's documents folder, "~" is the home folder, and a
    // name without an extension gets ".ttf" unless a file of that very name
    // exists. Empty for an empty field.
    static QString ResolveFontPath(const QString& fieldText);
    // A font file named without an extension gets ".ttf", as in the file
    // dialogs; a file or folder of that very name is taken as it is.
    static QString WithFontSuffix(const QString& path);
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
    struct SBatchNotes {
        QStringList lines;
        bool bGlyphsLost = false;
    };
    // What the run's summary should tell about the editor, taken once.
    SBatchNotes TakeBatchNotes() { return std::exchange(m_batchNotes, {}); }
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
    bool CreateNewFont(const QString& savePath);
    bool OpenExistingFont(const QString& path, EFontUse use);
    bool CreateNamedFont(const QString& path);
    // The font in hand (its file the one given) is used from now on once its
    // file can be written where it is, or once the user chose another place
    // for it.
    bool EnsureWritablePlace(const QString& path, EFontUse use);
    // Asks for another place after a refusal: the text with a button for
    // the action; the chosen file (never the refused one) is tried for
    // writing before it is taken. Empty when the user gave up. Without a
    // dialog (the command line) the text is reported and nothing chosen.
    QString ChooseWritablePlace(QString text, const QString& action, const QString& suggested, const QString& refused);
    // "フォルダ…には書き込めません（…）。\n別の場所を選んでください。"
    static QString RefusalWithNextStep(const CFontFileCheck::SWritePlace& place);
    // A file the editor will not take: its reason, and a new font in another
    // file instead when the user wants one.
    bool OfferNewFontInstead(const QString& refused, const QString& reason);
    void TakeFontFile(const QString& path);
    // Tells once, after a font was opened or made, what the editor brought
    // back from a run that ended before it saved, or, after the editor was
    // started again, what became of the glyphs written before it stopped.
    void ReportRecovery();
    void ReportRestart();
    void TellRestart();
    // The glyphs written into the font before the editor stopped that it
    // does not have now; none when it cannot tell.
    std::optional<QSet<quint32>> LostGlyphs();
    static QString GlyphList(const QSet<quint32>& keys);
    // The bound of the calls that read or write the whole font, from its
    // file and what went into it.
    void PrepareLongCall(const QString& path);
    // Remembers that the editor went away under a call.
    void NoteEditorGone();
    enum class EImport { Done, Failed, EditorGone };
    EImport ImportGlyph(const QString& bmpPath, qint32 charCode, bool bVertical);
    bool HasUnsavedWork() const { return m_bGlyphWritten || m_bFontChanged; }
    // The save at exit of a font with a file, then the other name the user may
    // choose, then the recovery copy. Gives the font's path afterwards.
    QString KeepFontAtExit(const QString& path);
    enum class ESaveOutcome { Saved, Refused, Lost, EditorGone };
    ESaveOutcome TrySave(const std::function<void()>& save, QString& reason);
    // One cause for a save that failed: what writing there finds now, else
    // the reason the editor gave, without its own heading.
    static QString SaveFailureCause(const QString& target, const QString& description);
    // An editor that went away during the save at exit: a new one takes
    // the font again, with what its journal kept.
    bool ReopenForExit(const QString& path);
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
    bool m_bFontUnavailable = false;

    bool m_bBatch = false;
    SBatchNotes m_batchNotes;
    // The editor that had the font went away in this session; the next font
    // opened tells the restart instead of the recovery of an earlier run.
    bool m_bEditorLost = false;
    // The restart told once the glyph tried again has gone in or not.
    struct SRestartNotice {
        QString text;
        bool bGlyphsLost = false;
    };
    SRestartNotice m_restartNotice;
    // While a glyph may be tried again, a vanished editor is not reported
    // but noted here.
    int m_nDeferGone = 0;
    bool m_bGoneInCall = false;
    // The glyphs (code, plus 0x10000 for a vertical form) written into the
    // font of m_strWrittenFont in this session, to tell after a restart
    // which of them the new editor does not have.
    QSet<quint32> m_written;
    QString m_strWrittenFont;
    // The font file last tried and found writable where it is.
    QString m_strWritableFont;
    friend class CDeferEditorGone;
};
