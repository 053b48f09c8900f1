#pragma once

#include "autocreate/CAutoCreator.h"
#include "autocreate/IAutoCreateHost.h"
#include "chartable/CCharPlan.h"
#include "fonteditor/CCharNavigator.h"
#include "fonteditor/CFontEditorSession.h"
#include "fonteditor/CFontInfoEditor.h"
#include "fonteditor/CGlyphGuide.h"
#include "fonteditor/ICharNavigationHost.h"
#include "fonteditor/IFontFileField.h"
#include "strokes/CStrokeFileStore.h"
#include "strokes/IStrokeFileHost.h"

#include "canvas/CommandState.h"

#include <functional>
#include <optional>
#include <utility>

class CDrawingModel;
class CQuilleryDoc;
class CSettingsStore;
class CViewSettings;
class IAutomationSystem;
class IFrameFields;
class IMessageBox;
class IViewServices;

// The road of a character from the canvas into the font: Execute with its
// glyph step, the stroke file and the move to the next character, character
// navigation, and automatic creation. It joins the drawing model, the view's
// settings, the document's bitmap, the dialog bar and the font editor.
class CQuilleryController : public ICharNavigationHost,
                            public IStrokeFileHost,
                            public IAutoCreateHost,
                            public IFontFileField
{
public:
    struct Parts
    {
        CDrawingModel& drawing;
        CViewSettings& settings;
        IFrameFields& frame;
        IMessageBox& messages;
        IAutomationSystem& automation;
        IViewServices& view;
        IAutoCreateProgress& progress;
    };

    explicit CQuilleryController(const Parts& parts);

    // The document whose bitmap the canvas is copied into; none until set.
    void SetDocument(CQuilleryDoc* doc) { m_pDoc = doc; }

    // Commands.
    void OnExecute();
    void OnNextChar() { m_navigator.OnNextChar(); }
    void OnPrevChar() { m_navigator.OnPrevChar(); }
    void OnNextMissingChar() { m_navigator.OnNextMissingChar(); }
    void OnCharChanged();
    void OnVerticalClicked();
    void OnAutoCreate();
    // The font file field changed: the status bar's news of another font
    // goes, and before the editor runs, the guide is read from the new file.
    void OnFontFieldChanged();
    void OnCancelAutoCreate() { m_autoCreator.OnCancelAutoCreate(); }
    void OnChooseFontFile(const QString& chosenPath) { m_session.OnChooseFontFile(chosenPath); }
    bool SaveFontAs(const QString& path);
    bool OwnsCommand(int id) const;
    CommandState UpdateCommand(int id);

    // Told about each character whose glyph or stroke file the work may have
    // changed (Execute, every file of a run), so that views of the font follow.
    void SetCharWorkedListener(std::function<void(quint16 code, bool vertical)> listener)
    {
        m_charWorked = std::move(listener);
    }
    // Told the file of the font glyphs went into (empty for a font without
    // one) after each Execute, run or Save As, so that it can be kept.
    void SetFontInUseListener(std::function<void(const QString& path)> listener)
    {
        m_fontInUse = std::move(listener);
    }
    // The glyph the current character already has in the font, shown as a
    // guide under the drawing; none when it has none or the editor cannot
    // tell.
    const CGlyphGuide* Guide() const { return m_guide ? &*m_guide : nullptr; }
    // Where the guide comes from before the editor runs: the font file the
    // field names, read directly. The editor is started only by the first
    // command that needs it, and until then nothing but the file can have
    // changed the font.
    using FileGuideReader = std::function<std::optional<CGlyphGuide>(const QString& fontPath, const QString& ch, bool vertical)>;
    void SetFileGuideReader(FileGuideReader reader) { m_readFileGuide = std::move(reader); }
    // The guide of the current character from the font file, while no
    // editor is connected; the editor's own guide otherwise stays.
    void RefreshGuideFromFile();
    // Asks before a drawing that never went into the font is dropped; true
    // when it may go.
    bool ConfirmDiscardDrawing() override;

    // Copies the canvas rows into the document's bitmap.
    void CopyCanvasToDib();
    // The glyph step of Execute: the canvas to a temporary bitmap file and
    // into the editor as the current character.
    GlyphStepResult WriteGlyph() override;

    // Closing: false when the window must stay (an unsaved new font the user
    // keeps, or an automatic creation run that first has to end). Without
    // askUser (the program is told to end), only a run holds the close up.
    bool QueryClose(bool askUser = true);
    // True once, after a run that a close request ended.
    bool TakeCloseAfterRun() { return std::exchange(m_bCloseAfterRun, false); }
    // The view goes away: the editor saves and is released; the value for
    // the FontFilePath setting, or none to keep the stored one.
    std::optional<QString> ReleaseAtExit(const QString& fieldText);

    CFontEditorSession& Session() { return m_session; }
    CFontInfoEditor& FontInfo() { return m_fontInfo; }
    CAutoCreator& AutoCreator() { return m_autoCreator; }
    CStrokeFileStore& StrokeFiles() { return m_strokeFiles; }
    // The set the user works through, shared with the character table.
    CCharPlan& Plan() { return m_plan; }
    // The set and the own text last chosen in the character table: the next
    // missing character is taken from them, also before the table is opened.
    void RestorePlan(const CSettingsStore* store);

    // ICharNavigationHost
    bool HasEditor() const override;
    bool ConnectEditor() override;
    bool OpenFontInEditor() override;
    bool FollowFont() override;
    GlyphSelection SelectGlyph(quint16 code, bool vertical) override;
    void ReportEditorError(const QString& text) override;
    QByteArray GetCharText() const override;
    void SetCharText(const QByteArray& ch) override;
    bool IsVerticalChecked() const override;
    void EnableVertical(bool enable) override;
    QByteArray CurrentChar() const override;
    void SetCurrentChar(const QByteArray& ch) override;
    bool IsAutoCreating() const override;
    bool IsAutoCreateRunning() const override;
    void Repaint() override;
    void ClearCanvasAndHistory() override;
    QString PlanUnavailable() override;
    PlannedChars MissingChars() override;

    // IStrokeFileHost
    QString StrokeFolder() const override;
    void SetVerticalCheck(bool checked) override;
    int BmpSize() const override;
    CPointAryAry2& Strokes() override;

    // IAutoCreateHost
    CDrawingModel& Drawing() override { return m_drawing; }
    bool LoadStrokeFile(const QString& path) override { return m_strokeFiles.LoadStrokeFile(path); }
    quint16 LoadedCharUnit() const override { return m_strokeFiles.LastCharUnit(); }
    bool PumpMessages() override;
    bool PrepareFont() override;
    QString TargetFontName() override { return m_session.CurrentFontName(); }
    void BeginBatchRun() override { m_session.SetBatchMode(true); }
    EditorRunNotes EndBatchRun() override;

    // IFontFileField
    QString GetFontFilePathText() const override;
    void SetFontFilePathText(const QString& text) override;

private:
    GlyphStepResult WriteGlyphStep(bool batch);
    void NoteFontInUse();
    void RefreshGuide(quint16 code, bool vertical);
    QString CharLabel() const;

    CDrawingModel& m_drawing;
    CViewSettings& m_settings;
    IFrameFields& m_frame;
    IMessageBox& m_messages;
    IViewServices& m_view;
    CQuilleryDoc* m_pDoc = nullptr;
    CFontEditorSession m_session;
    CFontInfoEditor m_fontInfo;
    CCharNavigator m_navigator;
    CStrokeFileStore m_strokeFiles;
    CAutoCreator m_autoCreator;
    CCharPlan m_plan;
    bool m_bCloseAfterRun = false;
    std::function<void(quint16, bool)> m_charWorked;
    std::optional<CGlyphGuide> m_guide;
    std::function<void(const QString&)> m_fontInUse;
    FileGuideReader m_readFileGuide;
};
