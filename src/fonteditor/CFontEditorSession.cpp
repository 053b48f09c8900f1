#include "fonteditor/CFontEditorSession.h"

#include "app/IMessageBox.h"
#include "chartable/CGlyphCodes.h"
#include "fonteditor/CAutomationFailure.h"
#include "fonteditor/CDispatchException.h"
#include "fonteditor/CFontFileCheck.h"
#include "fonteditor/IAutomationSystem.h"
#include "fonteditor/IFontFileField.h"
#include "res/CStringTable.h"
#include "strokes/CodePage932.h"
#include "strokes/PathHelpers.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

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
    m_system.SetLongCallBound(LongCallBoundMs(fileBytes + kGlyphBytes * m_written.size()));
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
        m_batchNotes = {};
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
        m_bEditorLost = true;
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
        m_bEditorLost = true;
    return ConnectEditor();
}

bool CFontEditorSession::CreateNewFont(const QString& savePath)
{
    auto font = m_pEditorApp->NewFont(0, false);
    if (!font) {
        ReportEditorError(QStringLiteral("Glyphsmithで、フォントの新規作成に失敗しました。"));
        return false;
    }
    m_editorFont.AttachDispatch(std::move(font));
    ReportRecovery();
    // This editor has no window of its own in which the user could save a new
    // font later, so a font meant for a named file gets that file right away.
    // The user asked for this file, so its folder (the documents folder for
    // a bare name) is made when it is missing.
    if (!savePath.isEmpty()) {
        QDir().mkpath(QFileInfo(savePath).absolutePath());
        PrepareLongCall(QString());
        m_editorFont.SaveAs(savePath);
        m_strWritableFont = savePath;
        m_strWrittenFont = savePath;
    }
    return true;
}

QString CFontEditorSession::ResolveFontPath(const QString& fieldText)
{
    const QString text = fieldText.trimmed();
    if (text.isEmpty())
        return QString();
    if (text == u"~" || text.startsWith(QStringLiteral("~/")))
        return WithFontSuffix(QDir::cleanPath(QDir::homePath() + text.mid(1)));
    if (QDir::isAbsolutePath(text))
        return WithFontSuffix(QDir::cleanPath(text));
    // Not the working folder, which depends on how the program was started.
    QString documents = QDir::homePath();
    GetSpecialFolderPath(SpecialFolder::Documents, documents);
    return WithFontSuffix(QDir::cleanPath(QDir(documents).absoluteFilePath(text)));
}

QString CFontEditorSession::WithFontSuffix(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.suffix().isEmpty() || info.exists() || path.endsWith(u'/'))
        return path;
    return path + QStringLiteral(".ttf");
}

bool CFontEditorSession::IsSameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const auto key = [](const QString& path) {
        const QFileInfo info(path);
        const QString canonical = info.canonicalFilePath();
        return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
    };
    return key(a) == key(b);
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
        const QString wanted = ResolveFontPath(m_fontFileField.GetFontFilePathText());
        if (auto active = m_pEditorApp->GetActiveFont()) {
            m_editorFont.AttachDispatch(std::move(active));
            const QString current = m_editorFont.GetFilePath();
            if (wanted.isEmpty() || IsSameFile(current, wanted))
                return EnsureWritablePlace(current, use);
            if (!LeaveFontFor(wanted))
                return false;
        }
        // A font opened again after its editor stopped keeps what went into
        // it, unsaved, and what it should hold.
        if (!m_bEditorLost) {
            m_bFontChanged = false;
            m_written.clear();
            m_strWrittenFont = wanted;
        }
        if (wanted.isEmpty())
            return CreateNewFont(QString());
        if (QFileInfo::exists(wanted))
            return OpenExistingFont(wanted, use);
        return CreateNamedFont(wanted);
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
    ReportRecovery();
    return EnsureWritablePlace(path, use);
}

// A file that cannot be written there is not made there: the one message
// says why and offers another place, which is taken without asking again.
bool CFontEditorSession::CreateNamedFont(const QString& path)
{
    const CFontFileCheck::SWritePlace place = CFontFileCheck::CheckWritable(path);
    if (!place.IsWritable()) {
        const QString chosen = ChooseWritablePlace(RefusalWithNextStep(place),
            CStringTable::Message(M::ChooseOtherPlace), path, QString());
        if (chosen.isEmpty() || !CreateNewFont(chosen))
            return false;
        TakeFontFile(chosen);
        return true;
    }
    if (!m_messages.AskYesNo(QStringLiteral("ファイル%1は存在しません。新規ファイルで作成しますか？").arg(path)))
        return false;
    return CreateNewFont(path);
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
    const QString chosen
        = ChooseWritablePlace(RefusalWithNextStep(place), CStringTable::Message(M::ChooseOtherPlace), path, path);
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
    m_strWrittenFont = path;
}

QString CFontEditorSession::ChooseWritablePlace(
    QString text, const QString& action, const QString& suggested, const QString& refused)
{
    if (!m_chooseSaveAs) {
        ReportEditorError(text);
        return QString();
    }
    for (;;) {
        if (m_bringToFront)
            m_bringToFront();
        if (!m_messages.AskAction(text, action))
            return QString();
        const QString given = m_chooseSaveAs(suggested);
        if (given.isEmpty())
            return QString();
        const QString chosen = WithFontSuffix(QFileInfo(given).absoluteFilePath());
        if (!refused.isEmpty() && IsSameFile(chosen, refused)) {
            text = CStringTable::Message(M::SameFileChosen).arg(QDir::toNativeSeparators(chosen));
            continue;
        }
        const CFontFileCheck::SWritePlace place = CFontFileCheck::CheckWritable(chosen);
        if (place.IsWritable())
            return chosen;
        text = RefusalWithNextStep(place);
    }
}

QString CFontEditorSession::RefusalWithNextStep(const CFontFileCheck::SWritePlace& place)
{
    return CFontFileCheck::RefusalText(place) + u'\n' + CStringTable::Message(M::ChooseOtherPlaceStep);
}

// The refused file is never written: the new font gets a file of its own,
// suggested beside it.
bool CFontEditorSession::OfferNewFontInstead(const QString& refused, const QString& reason)
{
    if (!m_chooseSaveAs) {
        ReportEditorError(reason);
        return false;
    }
    const QFileInfo info(refused);
    const QString suggested = info.dir().filePath(info.completeBaseName() + QStringLiteral("-手書き.ttf"));
    const QString chosen = ChooseWritablePlace(reason + u'\n' + CStringTable::Message(M::OfferNewFont),
        CStringTable::Message(M::MakeNewFont), suggested, refused);
    if (chosen.isEmpty() || !CreateNewFont(chosen))
        return false;
    TakeFontFile(chosen);
    return true;
}

void CFontEditorSession::ReportRecovery()
{
    if (m_bEditorLost) {
        m_bEditorLost = false;
        ReportRestart();
        return;
    }
    qint32 recovered = 0;
    QString notice;
    try {
        recovered = m_editorFont.GetRecoveredGlyphs();
        notice = m_editorFont.GetRecoveryNotice();
    } catch (const std::exception&) {
        // An editor without a journal has nothing to tell; a failure here is
        // met again by the call that follows.
    }
    QStringList lines;
    if (recovered > 0)
        lines << QStringLiteral("前回保存されずに終わった作業から、%1個の文字を復旧しました。").arg(recovered);
    if (!notice.trimmed().isEmpty())
        lines << notice.trimmed();
    if (!lines.isEmpty())
        m_messages.ShowInformation(lines.join(u'\n'));
}

// The font opened again is the one the glyphs went into, or another one the
// user meanwhile named: only for the same font can the editor tell which
// glyphs came back.
void CFontEditorSession::ReportRestart()
{
    QString current;
    QString notice;
    qint32 recovered = 0;
    try {
        current = m_editorFont.GetFilePath();
        recovered = m_editorFont.GetRecoveredGlyphs();
    } catch (const std::exception&) {
    }
    try {
        notice = m_editorFont.GetRecoveryNotice().trimmed();
    } catch (const std::exception&) {
    }
    const bool sameFont = (current.isEmpty() && m_strWrittenFont.isEmpty()) || IsSameFile(current, m_strWrittenFont);
    const std::optional<QSet<quint32>> lost = sameFont ? LostGlyphs() : std::nullopt;
    QString text;
    if (lost && !lost->isEmpty())
        text = CStringTable::Message(M::EditorRestartedLost).arg(GlyphList(*lost));
    else if (lost || recovered == 0)
        text = CStringTable::Message(M::EditorRestarted);
    else
        text = CStringTable::Message(M::EditorRestartedRecovered).arg(recovered);
    if (!notice.isEmpty())
        text += u'\n' + notice;
    const bool glyphsLost = lost && !lost->isEmpty();
    m_written.clear();
    m_strWrittenFont = current;
    if (m_bBatch) {
        if (!m_batchNotes.lines.contains(text))
            m_batchNotes.lines << text;
        m_batchNotes.bGlyphsLost = m_batchNotes.bGlyphsLost || glyphsLost;
        return;
    }
    m_restartNotice = { text, glyphsLost };
    // The glyph that is tried again comes first: the user hears once how
    // both went.
    if (m_nDeferGone == 0)
        TellRestart();
}

void CFontEditorSession::TellRestart()
{
    const auto [text, glyphsLost] = std::exchange(m_restartNotice, {});
    if (text.isEmpty())
        return;
    if (glyphsLost)
        ReportEditorError(text);
    else
        m_messages.ShowInformation(text);
}

std::optional<QSet<quint32>> CFontEditorSession::LostGlyphs()
{
    if (m_written.isEmpty())
        return QSet<quint32>();
    std::optional<QSet<quint32>> present;
    try {
        present = CGlyphCodes::Parse(m_editorFont.GetGlyphCodes());
    } catch (const std::exception&) {
    }
    if (!present)
        return std::nullopt;
    QSet<quint32> lost = m_written;
    lost.subtract(*present);
    return lost;
}

// 「あ」「ぁ（縦書き）」 in code order.
QString CFontEditorSession::GlyphList(const QSet<quint32>& keys)
{
    QList<quint32> sorted(keys.begin(), keys.end());
    std::sort(sorted.begin(), sorted.end(), [](quint32 a, quint32 b) {
        return std::pair(a & 0xFFFF, a >> 16) < std::pair(b & 0xFFFF, b >> 16);
    });
    QString list;
    for (const quint32 key : sorted) {
        const QString ch = Cp932ToString(CharFromCode(static_cast<quint16>(key & 0xFFFF)));
        list += (key & 0x10000) ? QStringLiteral("「%1（縦書き）」").arg(ch) : QStringLiteral("「%1」").arg(ch);
    }
    return list;
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
        const QString wanted = ResolveFontPath(m_fontFileField.GetFontFilePathText());
        return wanted.isEmpty() || IsSameFile(m_editorFont.GetFilePath(), wanted);
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
    const QString target = ResolveFontPath(path);
    const CFontFileCheck::SWritePlace place = CFontFileCheck::CheckWritable(target);
    if (!place.IsWritable()) {
        ReportEditorError(RefusalWithNextStep(place));
        return false;
    }
    return Guarded([&] {
        PrepareLongCall(m_editorFont.GetFilePath());
        m_editorFont.SaveAs(target);
        m_bFontChanged = false;
        m_strWritableFont = target;
        m_strWrittenFont = target;
        return true;
    });
}

QString CFontEditorSession::SaveFontToFile(const std::function<QString()>& askFileName)
{
    const QFileInfo field(ResolveFontPath(m_fontFileField.GetFontFilePathText()));
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
        path = WithFontSuffix(QFileInfo(chosen).absoluteFilePath());
        m_editorFont.SaveAs(path);
        m_strWrittenFont = path;
        m_fontFileField.SetFontFilePathText(path);
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
        if (!m_pEditorApp->IsConnected() && HasUnsavedWork() && !m_strWrittenFont.isEmpty())
            ReopenForExit(m_strWrittenFont);
        try {
            if (auto active = m_pEditorApp->GetActiveFont()) {
                m_editorFont.AttachDispatch(std::move(active));
                const QString path = m_editorFont.GetFilePath();
                fontFilePath = HasUnsavedWork() ? KeepFontAtExit(path) : path;
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

QString CFontEditorSession::RecoveryFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/recovery");
}

CFontEditorSession::ESaveOutcome CFontEditorSession::TrySave(const std::function<void()>& save, QString& reason)
{
    try {
        save();
        return ESaveOutcome::Saved;
    } catch (const CDispatchException& e) {
        reason = e.Description();
        return ESaveOutcome::Refused;
    } catch (const CAutomationFailure& e) {
        if (e.IsAnswered()) {
            reason = e.Reason();
            return ESaveOutcome::Refused;
        }
        reason = QStringLiteral("Glyphsmithとの接続が切れました。");
        return e.IsEditorGone() ? ESaveOutcome::EditorGone : ESaveOutcome::Lost;
    }
}

QString CFontEditorSession::SaveFailureCause(const QString& target, const QString& description)
{
    const CFontFileCheck::SWritePlace place = CFontFileCheck::CheckWritable(target);
    if (!place.IsWritable())
        return CFontFileCheck::RefusalText(place);
    const QString heading = QStringLiteral("原因：");
    const qsizetype at = description.lastIndexOf(heading);
    return at >= 0 ? description.mid(at + heading.size()).trimmed() : description.trimmed();
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
    m_bEditorLost = false;
    return reopened;
}

QString CFontEditorSession::KeepFontAtExit(const QString& path)
{
    if (path.isEmpty()) {
        // The user agreed to quit without giving the new font a file; the
        // glyphs are kept all the same.
        WriteRecoveryCopy(path, QString());
        return path;
    }
    QString reason;
    PrepareLongCall(path);
    ESaveOutcome outcome = TrySave([this] { m_editorFont.Save(); }, reason);
    if (outcome == ESaveOutcome::EditorGone && ReopenForExit(path))
        outcome = TrySave([this] { m_editorFont.Save(); }, reason);
    QString target = path;
    while (outcome == ESaveOutcome::Refused && m_chooseSaveAs) {
        const QString failed = CStringTable::Message(M::SaveFailedCause)
                                   .arg(QDir::toNativeSeparators(target), SaveFailureCause(target, reason));
        if (!m_messages.AskYesNo(failed + QStringLiteral("\n\n別の名前で保存しますか？")))
            break;
        const QString chosen = m_chooseSaveAs(target);
        if (chosen.isEmpty())
            break;
        target = WithFontSuffix(QFileInfo(chosen).absoluteFilePath());
        outcome = TrySave([&] { m_editorFont.SaveAs(target); }, reason);
        if (outcome == ESaveOutcome::Saved)
            return target;
    }
    if (outcome == ESaveOutcome::Saved)
        return path;
    m_bExitSaveFailed = true;
    const bool lost = outcome == ESaveOutcome::Lost || outcome == ESaveOutcome::EditorGone;
    if (lost || !m_chooseSaveAs)
        m_messages.ShowStop(CStringTable::Message(M::SaveFailedCause)
                                .arg(QDir::toNativeSeparators(target), SaveFailureCause(target, reason)));
    if (!lost)
        WriteRecoveryCopy(path, reason);
    return path;
}

void CFontEditorSession::WriteRecoveryCopy(const QString& fontPath, const QString& reason)
{
    const QString folder = RecoveryFolder();
    const QString stem = fontPath.isEmpty() ? QStringLiteral("新規フォント") : QFileInfo(fontPath).completeBaseName();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString copy = QStringLiteral("%1/%2-%3.ttf").arg(folder, stem, stamp);
    for (int n = 2; QFileInfo::exists(copy); ++n)
        copy = QStringLiteral("%1/%2-%3-%4.ttf").arg(folder, stem, stamp).arg(n);

    QString failure;
    ESaveOutcome outcome = ESaveOutcome::Refused;
    if (!QDir().mkpath(folder)) {
        failure = QStringLiteral("フォルダを作成できません。");
    } else {
        outcome = TrySave(
            [&] {
                try {
                    m_editorFont.SaveCopy(copy);
                } catch (const CMissingMember&) {
                    // The editor ends with the program, so taking the font
                    // over to the copy's file costs nothing.
                    m_editorFont.SaveAs(copy);
                }
            },
            failure);
    }
    const QString where = QDir::toNativeSeparators(copy);
    if (outcome != ESaveOutcome::Saved) {
        m_bExitSaveFailed = true;
        const QString what = reason.isEmpty() ? QStringLiteral("新規フォントの復旧用のコピーを保存できませんでした。")
                                              : QStringLiteral("フォントの復旧用のコピーも保存できませんでした。");
        m_messages.ShowStop(
            what + QStringLiteral("\n%1\n原因：%2\n作成した文字は保存されていません。").arg(where, failure));
        return;
    }
    if (reason.isEmpty())
        m_messages.ShowInformation(
            QStringLiteral("保存されていない新規フォントの復旧用のコピーを次のファイルに保存しました。\n%1").arg(where));
    else
        m_messages.ShowMessage(
            QStringLiteral("フォントを保存できなかったため、復旧用のコピーを次のファイルに保存しました。\n%1").arg(where));
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
                TellRestart();
                m_bFontUnavailable = true;
                return false;
            }
        } else {
            const EImport imported = ImportGlyph(bmpPath, charCode, bVertical);
            // Even an import that failed halfway may have cleared the glyph.
            NotifyFontChanged();
            if (imported != EImport::EditorGone) {
                TellRestart();
                return imported == EImport::Done;
            }
        }
        if (attempt > 0) {
            // Only glyphs lost before are worth telling beside this one.
            const auto [restart, glyphsLost] = std::exchange(m_restartNotice, {});
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
        m_written.insert(static_cast<quint32>(charCode & 0xFFFF) | (bVertical ? 0x10000u : 0u));
        if (charCode <= 0xFF && m_editorFont.GetPreservedValue() != preserved)
            m_editorFont.SetPreservedValue(preserved);
        return true;
    });
    if (written)
        return EImport::Done;
    return m_bGoneInCall ? EImport::EditorGone : EImport::Failed;
}
