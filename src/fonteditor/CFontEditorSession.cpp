#include "fonteditor/CFontEditorSession.h"

#include "app/IMessageBox.h"
#include "fonteditor/CAutomationFailure.h"
#include "fonteditor/CDispatchException.h"
#include "fonteditor/CFontFileCheck.h"
#include "fonteditor/CFontPath.h"
#include "fonteditor/IAutomationSystem.h"
#include "fonteditor/IFontFileField.h"
#include "res/CStringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace {

// Where the editor comes from; the editor is the program's own Python
// server, so the "address" is the Debian packages it runs on.
const QString kEditorSource = QStringLiteral("Debianのパッケージ（python3-fonttools python3-booleanoperations potrace opentype-sanitizer）");
// Messages are kept to the length a message box shows comfortably; an editor's
// long description is cut there.
constexpr int kMaxMessageChars = 500;

using M = CStringTable::EMessage;

// Deletes a file when it goes out of scope, whichever way that happens.
class CFileRemover {
public:
    explicit CFileRemover(QString path)
        : m_strPath(std::move(path))
    {
    }
    ~CFileRemover()
    {
        if (!m_strPath.isEmpty())
            QFile::remove(m_strPath);
    }
    CFileRemover(const CFileRemover&) = delete;
    CFileRemover& operator=(const CFileRemover&) = delete;

private:
    QString m_strPath;
};

} // namespace

// While a glyph may be tried again on a new editor, a vanished editor is
// noted instead of reported.
class CDeferEditorGone {
public:
    explicit CDeferEditorGone(CFontEditorSession& session)
        : m_session(session)
    {
        ++m_session.m_nDeferGone;
        m_session.m_bGoneInCall = false;
    }
    ~CDeferEditorGone() { --m_session.m_nDeferGone; }
    CDeferEditorGone(const CDeferEditorGone&) = delete;
    CDeferEditorGone& operator=(const CDeferEditorGone&) = delete;
    bool EditorWentAway() const { return m_session.m_bGoneInCall; }

private:
    CFontEditorSession& m_session;
};

CFontEditorSession::CFontEditorSession(IAutomationSystem& system, IMessageBox& messages, IFontFileField& fontFileField)
    : m_system(system)
    , m_messages(messages)
    , m_fontFileField(fontFileField)
    , m_restart(messages, [this](const QString& text) { ReportEditorError(text); })
    , m_places(messages, [this](const QString& text) { ReportEditorError(text); })
    , m_exitSave(m_editorFont, messages, m_places,
                 {[this](const QString& path) { PrepareLongCall(path); },
                  [this](const QString& path) { return ReopenForExit(path); }})
{
}

CFontEditorSession::~CFontEditorSession() = default;

double CFontEditorSession::ParseEditorVersion(const QString& version)
{
    static const QRegularExpression leadingNumber(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
    const QRegularExpressionMatch match = leadingNumber.match(version.left(4));
    return match.hasMatch() ? match.captured(0).trimmed().toDouble() : 0.0;
}

QString CFontEditorSession::FormatDispatchError(const CDispatchException& e)
{
    const bool refusedFile = e.Code() == CGlyphsmithApplication::kFontRefused
        || e.Code() == CGlyphsmithApplication::kFontHeldElsewhere;
    if (refusedFile && !e.Description().trimmed().isEmpty())
        return e.Description();
    if (e.Code() == CGlyphsmithApplication::kFontHeldElsewhere)
        return CStringTable::Message(M::FontHeldElsewhere);
    return QStringLiteral("エラー:%1\n%2").arg(e.Code()).arg(e.Description());
}

// Half a minute, and ten seconds more for every MiB: a large font of another
// maker is read and written whole.
int CFontEditorSession::LongCallBoundMs(qint64 fontBytes)
{
    constexpr qint64 kBaseMs = 30'000;
    constexpr qint64 kPerMiBMs = 10'000;
    constexpr qint64 kMostMs = 600'000;
    return static_cast<int>(std::min(kMostMs, kBaseMs + std::max<qint64>(0, fontBytes) / (1 << 20) * kPerMiBMs));
}

// A glyph this program writes takes about a kilobyte in the font.
void CFontEditorSession::PrepareLongCall(const QString& path)
{
    constexpr qint64 kGlyphBytes = 1024;
    const qint64 fileBytes = path.isEmpty() ? 0 : QFileInfo(path).size();
    m_system.SetLongCallBound(LongCallBoundMs(fileBytes + kGlyphBytes * m_restart.WrittenCount()));
}

void CFontEditorSession::ReportEditorError(const QString& text)
{
    if (m_bQuiet) {
        m_quietErrors << text;
        return;
    }
    if (m_bringToFront)
        m_bringToFront();
    m_messages.ShowMessage(text.size() > kMaxMessageChars ? text.left(kMaxMessageChars - 1) + QChar(0x2026) : text);
}

void CFontEditorSession::BeginQuiet()
{
    m_bQuiet = true;
    m_quietErrors.clear();
}

QStringList CFontEditorSession::EndQuiet()
{
    m_bQuiet = false;
    return std::exchange(m_quietErrors, {});
}

void CFontEditorSession::SetBatchMode(bool bBatch)
{
    m_bBatch = bBatch;
    m_system.SetBatchMode(bBatch);
    if (bBatch)
        m_restart.ResetBatchNotes();
    if (m_pEditorApp && m_pEditorApp->IsConnected())
        PutBatchMode();
}

void CFontEditorSession::PutBatchMode()
{
    try {
        m_pEditorApp->SetBatchMode(m_bBatch);
    } catch (const CAutomationFailure& e) {
        // An editor without the member just does not change its pace; one
        // that went away is started again by the next glyph.
        if (e.IsEditorGone())
            NoteEditorGone();
    } catch (const std::exception&) {
    }
}

void CFontEditorSession::NoteEditorGone()
{
    if (m_editorFont.HasDispatch())
        m_restart.NoteEditorLost();
    if (m_nDeferGone > 0)
        m_bGoneInCall = true;
}

bool CFontEditorSession::Guarded(const std::function<bool()>& operation)
{
    try {
        return operation();
    } catch (const CDispatchException& e) {
        ReportEditorError(FormatDispatchError(e));
    } catch (const CAutomationFailure& e) {
        if (e.IsEditorGone())
            NoteEditorGone();
        if (!(e.IsEditorGone() && m_nDeferGone > 0))
            ReportEditorError(QStringLiteral("エラーが発生しました"));
    }
    return false;
}

bool CFontEditorSession::ConnectEditor()
{
    std::shared_ptr<IDispatchObject> running;
    if (m_system.ClassFromProgId(kProgId))
        running = m_system.GetActiveObject(kProgId);

    if (running) {
        if (!m_pEditorApp)
            m_pEditorApp = std::make_unique<CGlyphsmithApplication>();
        m_pEditorApp->AttachDispatch(std::move(running));
        m_bEditorStartFailed = false;
        return CheckVersion();
    }

    m_pEditorApp = std::make_unique<CGlyphsmithApplication>();
    auto launched = m_system.CreateInstance(kProgId);
    // An editor killed or stopped during its start is installed: one more
    // start usually goes through.
    using F = IAutomationSystem::ELaunchFailure;
    if (!launched
        && (m_system.LastLaunchFailure() == F::EndedDuringStart || m_system.LastLaunchFailure() == F::NoAnswer))
        launched = m_system.CreateInstance(kProgId);
    if (!launched) {
        ReportEditorError(LaunchFailureText());
        m_bEditorStartFailed = true;
        return false;
    }
    m_bEditorStartFailed = false;
    m_pEditorApp->AttachDispatch(std::move(launched));
    const bool flagged = Guarded([this] {
        m_pEditorApp->SetStartFlag(true);
        return true;
    });
    if (!flagged) {
        m_pEditorApp->ReleaseDispatch();
        return false;
    }
    return CheckVersion();
}

// A program that ran and ended is installed: it was killed, or lacks
// something it loads; only a program that cannot be run at all is missing.
QString CFontEditorSession::LaunchFailureText() const
{
    using F = IAutomationSystem::ELaunchFailure;
    switch (m_system.LastLaunchFailure()) {
    case F::EndedDuringStart: return CStringTable::Message(M::EditorEndedDuringStart).arg(kEditorSource);
    case F::NoAnswer: return CStringTable::Message(M::EditorNoAnswerAtStart);
    case F::NoRuntimeFolder: return CStringTable::Message(M::NoRuntimeFolder);
    case F::None:
    case F::NotInstalled: break;
    }
    return QStringLiteral("Glyphsmithを起動できませんでした。\nまだインストールしていない場合は、") + kEditorSource
        + QStringLiteral("からダウンロードしてインストールしてください。");
}

bool CFontEditorSession::CheckVersion()
{
    QString version;
    const bool read = Guarded([&] {
        version = m_pEditorApp->GetVersion();
        return true;
    });
    if (!read) {
        // An editor that cannot tell its version is not trusted: the next
        // command connects and asks again.
        m_pEditorApp->ReleaseDispatch();
        return false;
    }
    if (ParseEditorVersion(version) <= 2.8) {
        ReportEditorError(QStringLiteral("Glyphsmithのバージョンが低すぎます。\n最新のGlyphsmithを") + kEditorSource
            + QStringLiteral("からダウンロードしてインストールしてください。"));
        return false;
    }
    if (m_bBatch)
        PutBatchMode();
    return true;
}

bool CFontEditorSession::EnsureEditor()
{
    if (m_pEditorApp && m_pEditorApp->IsConnected())
        return true;
    // The editor that held the font went away between two commands.
    if (m_pEditorApp && m_pEditorApp->HasDispatch() && m_editorFont.HasDispatch())
        m_restart.NoteEditorLost();
    return ConnectEditor();
}

bool CFontEditorSession::CreateNewFont()
{
    auto font = m_pEditorApp->NewFont(0, false);
    if (!font) {
        ReportEditorError(QStringLiteral("Glyphsmithで、フォントの新規作成に失敗しました。"));
        return false;
    }
    m_editorFont.AttachDispatch(std::move(font));
    m_bNamedByUser = false;
    ReportRecovery();
    return true;
}

// This editor has no window of its own in which the user could save a new
// font later, so a font meant for a named file gets that file right away.
// The user asked for this file, so its folder (the documents folder for a
// bare name) is made when it is missing.
bool CFontEditorSession::CreateFontAt(const QString& path)
{
    const std::optional<SFontNames> names = m_naming.Ask(path);
    if (!names || !CreateNewFont())
        return false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    PrepareLongCall(QString());
    m_editorFont.SaveAs(path);
    m_strWritableFont = path;
    m_restart.MoveFont(path);
    GiveNames(*names);
    return true;
}

// The editor names a font after its file when it gets one; the names put
// now replace those. The editor keeps them in its journal until the next
// save writes them, as it does a glyph, so the new file is not written a
// second time (which would raise its version).
void CFontEditorSession::GiveNames(const SFontNames& names)
{
    try {
        if (!CNewFontNaming::Put(m_editorFont, names))
            return;
        m_bNamedByUser = true;
        m_bFontChanged = true;
    } catch (const CDispatchException& e) {
        ReportEditorError(FormatDispatchError(e));
    }
}

// The font in hand is left for another: its glyphs are saved to its file,
// or, when it never had one, dropped only when the user agrees.
bool CFontEditorSession::LeaveFontFor(const QString& wanted)
{
    if (m_bFontChanged) {
        const QString current = m_editorFont.GetFilePath();
        if (!current.isEmpty()) {
            PrepareLongCall(current);
            m_editorFont.Save();
        } else if (!m_messages.AskYesNo(
                       QStringLiteral("新規ファイルとして作成したフォントは、まだ保存されていません。\n"
                                      "保存せずにフォントファイル%1に切り替えますか？\n"
                                      "（保存するには［ファイル］メニューの［フォントに名前を付けて保存］を使います。）")
                           .arg(wanted))) {
            return false;
        }
    }
    m_bFontChanged = false;
    return true;
}

bool CFontEditorSession::OpenFontInEditor(EFontUse use)
{
    return Guarded([this, use] {
        const QString wanted = CFontPath::Resolve(m_fontFileField.GetFontFilePathText());
        if (auto active = m_pEditorApp->GetActiveFont()) {
            m_editorFont.AttachDispatch(std::move(active));
            const QString current = m_editorFont.GetFilePath();
            if (wanted.isEmpty() || CFontPath::IsSameFile(current, wanted))
                return EnsureWritablePlace(current, use);
            if (!LeaveFontFor(wanted))
                return false;
        }
        // A font opened again after its editor stopped keeps what went into
        // it, unsaved, and what it should hold.
        if (!m_restart.IsEditorLost()) {
            m_bFontChanged = false;
            m_restart.StartFont(wanted);
        }
        if (wanted.isEmpty())
            return CreateNewFont();
        if (QFileInfo::exists(wanted))
            return OpenExistingFont(wanted, use);
        return CreateMissingFont(wanted);
    });
}

bool CFontEditorSession::OpenExistingFont(const QString& path, EFontUse use)
{
    PrepareLongCall(path);
    std::shared_ptr<IDispatchObject> font;
    try {
        font = m_pEditorApp->OpenFont(path, CDispValue::Short(0));
    } catch (const CDispatchException& e) {
        if (e.Code() != CGlyphsmithApplication::kFontRefused)
            throw;
        return OfferNewFontInstead(path, FormatDispatchError(e));
    }
    if (!font) {
        // An editor that only says no: the file's own header may tell why.
        const QString problem = CFontFileCheck::ContentProblem(path);
        if (!problem.isEmpty())
            return OfferNewFontInstead(path, problem);
        ReportEditorError(QStringLiteral("Glyphsmithでのファイルオープンに失敗しました。\n%1").arg(path));
        return false;
    }
    m_editorFont.AttachDispatch(std::move(font));
    m_bNamedByUser = false;
    ReportRecovery();
    return EnsureWritablePlace(path, use);
}

// A file that cannot be written there is not made there: the one message
// says why and offers another place, which is taken without asking again.
bool CFontEditorSession::CreateMissingFont(const QString& path)
{
    const CFontFileCheck::SWritePlace place = CFontFileCheck::CheckWritable(path);
    if (!place.IsWritable()) {
        const QString chosen = m_places.PlaceForUnwritable(place, path, QString());
        if (chosen.isEmpty() || !CreateFontAt(chosen))
            return false;
        TakeFontFile(chosen);
        return true;
    }
    if (!m_messages.AskYesNo(QStringLiteral("ファイル%1は存在しません。新規ファイルで作成しますか？").arg(path)))
        return false;
    return CreateFontAt(path);
}

// Looking at a font (moving between characters, the character table) asks
// nothing; the first glyph that goes into it does.
bool CFontEditorSession::EnsureWritablePlace(const QString& path, EFontUse use)
{
    if (use == EFontUse::Reading || path.isEmpty() || path == m_strWritableFont)
        return true;
    const CFontFileCheck::SWritePlace place = CFontFileCheck::CheckWritable(path);
    if (place.IsWritable()) {
        m_strWritableFont = path;
        return true;
    }
    const QString chosen = m_places.PlaceForUnwritable(place, path, path);
    if (chosen.isEmpty())
        return false;
    PrepareLongCall(path);
    m_editorFont.SaveAs(chosen);
    TakeFontFile(chosen);
    return true;
}

void CFontEditorSession::TakeFontFile(const QString& path)
{
    m_fontFileField.SetFontFilePathText(path);
    m_strWritableFont = path;
    m_restart.MoveFont(path);
}

// The refused file is never written: the new font gets a file of its own.
bool CFontEditorSession::OfferNewFontInstead(const QString& refused, const QString& reason)
{
    const QString chosen = m_places.PlaceForNewFontInstead(refused, reason);
    if (chosen.isEmpty() || !CreateFontAt(chosen))
        return false;
    TakeFontFile(chosen);
    return true;
}

void CFontEditorSession::ReportRecovery()
{
    m_restart.ReportOpened(m_editorFont, m_bBatch, m_nDeferGone > 0);
}

bool CFontEditorSession::AttachFollowedFont()
{
    if (!m_pEditorApp || !m_pEditorApp->IsConnected())
        return false;
    try {
        auto active = m_pEditorApp->GetActiveFont();
        if (!active)
            return false;
        m_editorFont.AttachDispatch(std::move(active));
        const QString wanted = CFontPath::Resolve(m_fontFileField.GetFontFilePathText());
        return wanted.isEmpty() || CFontPath::IsSameFile(m_editorFont.GetFilePath(), wanted);
    } catch (const std::exception&) {
        return false;
    }
}

QString CFontEditorSession::CurrentFontName()
{
    QString path;
    try {
        if (m_editorFont.HasDispatch())
            path = m_editorFont.GetFilePath();
    } catch (const std::exception&) {
    }
    return path.isEmpty() ? QStringLiteral("新規フォント（ファイル未保存）") : path;
}

void CFontEditorSession::OnChooseFontFile(const QString& chosenPath)
{
    if (!chosenPath.isEmpty())
        m_fontFileField.SetFontFilePathText(chosenPath);
}

bool CFontEditorSession::SaveFontAs(const QString& path)
{
    if (path.isEmpty() || !EnsureEditor() || !OpenFontInEditor())
        return false;
    const QString target = CFontPath::Resolve(path);
    const CFontFileCheck::SWritePlace place = CFontFileCheck::CheckWritable(target);
    if (!place.IsWritable()) {
        ReportEditorError(CFontPlaceChooser::RefusalWithNextStep(place));
        return false;
    }
    return Guarded([&] {
        const QString current = m_editorFont.GetFilePath();
        std::optional<SFontNames> names;
        if (current.isEmpty() && !m_bNamedByUser && !(names = m_naming.Ask(target)))
            return false;
        PrepareLongCall(current);
        m_editorFont.SaveAs(target);
        m_bFontChanged = false;
        m_strWritableFont = target;
        m_restart.MoveFont(target);
        if (names)
            GiveNames(*names);
        return true;
    });
}

QString CFontEditorSession::SaveFontToFile(const std::function<QString()>& askFileName)
{
    const QFileInfo field(CFontPath::Resolve(m_fontFileField.GetFontFilePathText()));
    if ((!m_pEditorApp || !m_pEditorApp->IsConnected()) && field.isFile())
        return field.absoluteFilePath();
    if (!EnsureEditor() || !OpenFontInEditor())
        return {};
    QString path;
    const bool saved = Guarded([&] {
        path = m_editorFont.GetFilePath();
        PrepareLongCall(path);
        if (!path.isEmpty()) {
            m_editorFont.Save();
            return true;
        }
        const QString chosen = askFileName ? askFileName() : QString();
        if (chosen.isEmpty())
            return false;
        path = CFontPath::WithSuffix(QFileInfo(chosen).absoluteFilePath());
        std::optional<SFontNames> names;
        if (!m_bNamedByUser && !(names = m_naming.Ask(path)))
            return false;
        m_editorFont.SaveAs(path);
        m_restart.MoveFont(path);
        m_fontFileField.SetFontFilePathText(path);
        if (names)
            GiveNames(*names);
        return true;
    });
    return saved ? path : QString();
}

bool CFontEditorSession::HasActiveFont()
{
    if (!m_pEditorApp || !m_pEditorApp->IsConnected())
        return false;
    if (m_bBusyElsewhere)
        return m_bLastActiveFont;
    try {
        m_bLastActiveFont = m_pEditorApp->GetActiveFont() != nullptr;
    } catch (const std::exception&) {
        m_bLastActiveFont = false;
    }
    return m_bLastActiveFont;
}

bool CFontEditorSession::QueryClose()
{
    if (!m_pEditorApp || !HasUnsavedWork())
        return true;
    try {
        auto active = m_pEditorApp->GetActiveFont();
        if (!active)
            return true;
        m_editorFont.AttachDispatch(std::move(active));
        if (!m_editorFont.GetFilePath().isEmpty())
            return true;
    } catch (const std::exception&) {
        return true;
    }
    return m_messages.AskYesNo(QStringLiteral(
        "新規ファイルとして作成されましたが、まだGlyphsmithで保存されていません。\n終了していいですか？"));
}

std::optional<QString> CFontEditorSession::ReleaseAtExit(const QString& frameFontFilePath)
{
    if (!m_pEditorApp)
        return frameFontFilePath;

    std::optional<QString> fontFilePath;
    // An editor that went away since the last glyph, or while it is asked
    // for its font now, kept the work in its journal; a new one takes it up
    // and saves it.
    for (int attempt = 0; attempt < 2 && !m_bEditorStartFailed && !fontFilePath; ++attempt) {
        if (!m_pEditorApp->IsConnected() && HasUnsavedWork() && !m_restart.WrittenFont().isEmpty())
            ReopenForExit(m_restart.WrittenFont());
        try {
            if (auto active = m_pEditorApp->GetActiveFont()) {
                m_editorFont.AttachDispatch(std::move(active));
                const QString path = m_editorFont.GetFilePath();
                fontFilePath = HasUnsavedWork() ? m_exitSave.Keep(path) : path;
            } else {
                fontFilePath = frameFontFilePath;
            }
        } catch (const CAutomationFailure& e) {
            if (!e.IsEditorGone())
                break;
        } catch (const std::exception&) {
            break;
        }
    }
    m_editorFont.ReleaseDispatch();
    m_pEditorApp.reset();
    return fontFilePath;
}

bool CFontEditorSession::ReopenForExit(const QString& path)
{
    const bool reopened = EnsureEditor() && [&] {
        try {
            PrepareLongCall(path);
            auto font = m_pEditorApp->OpenFont(path, CDispValue::Short(0));
            if (!font)
                return false;
            m_editorFont.AttachDispatch(std::move(font));
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }();
    m_restart.ForgetEditorLost();
    return reopened;
}

void CFontEditorSession::NotifyFontChanged()
{
    for (const auto& listener : m_fontChanged)
        listener();
}

// The glyph in flight when the editor went away is tried once more on a new
// one, which first opens the font again (and tells what became of the
// glyphs before). A second loss is said once, for this glyph.
bool CFontEditorSession::WriteGlyph(const QString& bmpPath, qint32 charCode, bool bVertical)
{
    const CFileRemover removeBmp(bmpPath);
    m_bFontUnavailable = false;
    for (int attempt = 0;; ++attempt) {
        const CDeferEditorGone defer(*this);
        if (!EnsureEditor() || !OpenFontInEditor()) {
            if (!defer.EditorWentAway()) {
                m_restart.Tell();
                m_bFontUnavailable = true;
                return false;
            }
        } else {
            const EImport imported = ImportGlyph(bmpPath, charCode, bVertical);
            // Even an import that failed halfway may have cleared the glyph.
            NotifyFontChanged();
            if (imported != EImport::EditorGone) {
                m_restart.Tell();
                return imported == EImport::Done;
            }
        }
        if (attempt > 0) {
            // Only glyphs lost before are worth telling beside this one.
            const auto [restart, glyphsLost] = m_restart.TakeNotice();
            ReportEditorError(
                CStringTable::Message(M::EditorStoppedAgain) + (glyphsLost ? u'\n' + restart : QString()));
            return false;
        }
    }
}

CFontEditorSession::EImport CFontEditorSession::ImportGlyph(const QString& bmpPath, qint32 charCode, bool bVertical)
{
    const bool written = Guarded([&] {
        m_editorFont.SelectGlyph(0, charCode, bVertical);
        const qint16 preserved = m_editorFont.GetPreservedValue();
        m_editorFont.GlyphStep1();
        m_editorFont.GlyphStep2();
        m_editorFont.ImportBitmap(QFileInfo(bmpPath).absoluteFilePath());
        m_pEditorApp->GlyphStep3();
        m_editorFont.GlyphStep4();
        m_bGlyphWritten = true;
        m_bFontChanged = true;
        m_restart.NoteWritten(charCode, bVertical);
        if (charCode <= 0xFF && m_editorFont.GetPreservedValue() != preserved)
            m_editorFont.SetPreservedValue(preserved);
        return true;
    });
    if (written)
        return EImport::Done;
    return m_bGoneInCall ? EImport::EditorGone : EImport::Failed;
}
