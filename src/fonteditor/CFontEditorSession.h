#pragma once

#include "fonteditor/CGlyphsmithApplication.h"
#include "fonteditor/CGlyphsmithTypeface.h"

#include <QString>
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
    // Attaches m_editorFont to the editor's font: the open one, else the file
    // in the font file field, else a new one. Reports its own failures.
    bool OpenFontInEditor();

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
    // nothing when the setting should keep its previous value.
    std::optional<QString> ReleaseAtExit(const QString& frameFontFilePath);

    // Imports the BMP file as the glyph of the character code (one byte, or
    // lead byte * 256 + trail byte) and deletes the file whatever happens.
    // True when the whole import sequence went through.
    bool WriteGlyph(const QString& bmpPath, qint32 charCode, bool bVertical);

    // Listeners called after each change the program made to the font's
    // glyphs (a glyph written or removed), so that views of the font follow.
    void AddFontChangedListener(std::function<void()> listener) { m_fontChanged.push_back(std::move(listener)); }
    void NotifyFontChanged();

    // Shows an editor failure in front of the drawing window.
    void ReportEditorError(const QString& text);
    void SetBringToFront(std::function<void()> bringToFront) { m_bringToFront = std::move(bringToFront); }

    static double ParseEditorVersion(const QString& version);
    static QString FormatDispatchError(const CDispatchException& e);

    CGlyphsmithApplication* EditorApp() const { return m_pEditorApp.get(); }
    CGlyphsmithTypeface& EditorFont() { return m_editorFont; }
    bool IsEditorStartFailed() const { return m_bEditorStartFailed; }
    bool IsGlyphWritten() const { return m_bGlyphWritten; }

private:
    bool CheckVersion();
    // Runs an editor operation, reporting dispatch exceptions and other
    // automation failures; false when it failed.
    bool Guarded(const std::function<bool()>& operation);
    bool CreateNewFont(const QString& savePath);

    IAutomationSystem& m_system;
    IMessageBox& m_messages;
    IFontFileField& m_fontFileField;
    std::function<void()> m_bringToFront;
    std::vector<std::function<void()>> m_fontChanged;

    std::unique_ptr<CGlyphsmithApplication> m_pEditorApp;
    CGlyphsmithTypeface m_editorFont;
    bool m_bEditorStartFailed = false;
    bool m_bGlyphWritten = false;
    bool m_bBusyElsewhere = false;
    bool m_bLastActiveFont = false;
};
