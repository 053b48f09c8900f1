#include "autocreate/CAutoCreator.h"

#include "app/IMessageBox.h"
#include "autocreate/CLookAheadReplay.h"
#include "autocreate/IAutoCreateHost.h"
#include "canvas/CDrawingModel.h"
#include "res/NumberText.h"
#include "strokes/CodePage932.h"
#include "strokes/PathHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace {

// A name as the Shift-JIS characters it is made of: a double-byte character
// is one 16-bit unit, compared with the other name's character as a whole.
// Characters without a Shift-JIS form sort after all others.
std::vector<int> SortKey(const QString& name)
{
    std::vector<int> key;
    key.reserve(static_cast<size_t>(name.size()));
    for (QChar c : name) {
        quint16 code = 0;
        if (UnicodeToChar(c.unicode(), code) > 0)
            key.push_back(code);
        else
            key.push_back(0x10000 + c.unicode());
    }
    return key;
}

// Keeps the user's pen off the canvas for the whole run, however it ends.
class PointerBlock
{
public:
    explicit PointerBlock(CDrawingModel& drawing) : m_drawing(drawing) { m_drawing.BlockPointer(true); }
    ~PointerBlock() { m_drawing.BlockPointer(false); }
    PointerBlock(const PointerBlock&) = delete;
    PointerBlock& operator=(const PointerBlock&) = delete;

private:
    CDrawingModel& m_drawing;
};

// Tells the host that a run is going on, and what it had to say about the
// editor when the run ends, however it ends.
class BatchRunScope
{
public:
    BatchRunScope(IAutoCreateHost& host, CAutoCreator::Outcome& outcome) : m_host(host), m_outcome(outcome)
    {
        m_host.BeginBatchRun();
    }
    ~BatchRunScope()
    {
        const EditorRunNotes notes = m_host.EndBatchRun();
        m_outcome.editorNotes = notes.lines;
        m_outcome.glyphsLost = notes.glyphsLost;
    }
    BatchRunScope(const BatchRunScope&) = delete;
    BatchRunScope& operator=(const BatchRunScope&) = delete;

private:
    IAutoCreateHost& m_host;
    CAutoCreator::Outcome& m_outcome;
};

// Clears a flag when the scope ends, however it ends.
class FlagScope
{
public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
};

} // namespace

CAutoCreator::CAutoCreator(IAutoCreateHost& host, IAutoCreateProgress& progress, IMessageBox& messages,
                           QString errorLogPath)
    : m_host(host), m_progress(progress), m_messages(messages), m_strErrorLogPath(std::move(errorLogPath))
{
}

QString CAutoCreator::DefaultErrorLogPath()
{
    QString documents = QDir::homePath();
    GetSpecialFolderPath(SpecialFolder::Documents, documents);
    return AddTrailingBackslash(documents) + QString::fromUtf8("Quillery エラーログ.txt");
}

QStringList CAutoCreator::ListStrokeFiles(const QString& folder)
{
    const QDir dir(RemoveTrailingBackslash(folder));
    QStringList names = dir.entryList({QStringLiteral("*.stk")},
                                      QDir::Files | QDir::Hidden | QDir::CaseSensitive, QDir::NoSort);
    std::vector<std::pair<std::vector<int>, QString>> keyed;
    keyed.reserve(static_cast<size_t>(names.size()));
    for (const QString& name : names)
        keyed.emplace_back(SortKey(name), name);
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    for (auto& entry : keyed)
        names.append(std::move(entry.second));
    return names;
}

void CAutoCreator::DrawStrokes(CDrawingModel& drawing, const CPointAryAry2& strokes)
{
    for (const CPointArray2& stroke : strokes) {
        if (stroke.empty())
            continue;
        drawing.StartStroke(stroke.front(), true);
        for (size_t i = 1; i < stroke.size(); ++i)
            drawing.ContinueStroke(stroke[i], true);
    }
}

bool CAutoCreator::AutoCreateFromStrokeFiles()
{
    if (m_bRunning)
        return false;
    const QString folder = m_host.StrokeFolder();
    const QStringList names = ListStrokeFiles(folder);
    if (names.isEmpty()) {
        m_messages.ShowMessage(
            QString::fromUtf8("フォルダ「%1」にはストロークファイルはありません。\n"
                              "ストロークファイルの格納先フォルダを変更するには、[編集]メニューの[オプション]で行ってください。")
                .arg(folder));
        return false;
    }
    if (!m_messages.AskYesNo(QString::fromUtf8("ストロークファイルから自動作成します。\n文字数は%1個です。\nよろしいですか？")
                                 .arg(NumberText(names.size()))))
        return false;
    // Without a font the run would only fail file after file.
    if (!m_host.PrepareFont())
        return false;
    m_bStopForClose = false;
    Run(names);
    if (m_bStopForClose)
        return true;
    const QString summary = SummaryText(m_outcome, m_strErrorLogPath);
    if (m_outcome.failed > 0 || m_outcome.end == Outcome::End::BadFile || m_outcome.glyphsLost)
        m_messages.ShowMessage(summary);
    else
        m_messages.ShowInformation(summary);
    return true;
}

QString CAutoCreator::CountText(int n, int count)
{
    return QStringLiteral("%1 / %2").arg(NumberText(n), NumberText(count));
}

QString CAutoCreator::StatusText(const Outcome& outcome)
{
    const QStringList lines = SummaryText(outcome, QString()).split(u'\n');
    return lines.mid(0, 2).join(QString());
}

QString CAutoCreator::SummaryText(const Outcome& outcome, const QString& errorLogPath)
{
    QStringList lines;
    switch (outcome.end) {
    case Outcome::End::Finished: lines << QString::fromUtf8("自動作成が終わりました。"); break;
    case Outcome::End::Cancelled: lines << QString::fromUtf8("自動作成を中止しました。"); break;
    case Outcome::End::BadFile:
        lines << QString::fromUtf8("ストロークファイル「%1」を読み込めないため、自動作成を中止しました。").arg(outcome.badFile);
        break;
    }
    const QString font = outcome.fontName.isEmpty() ? QString::fromUtf8("フォント") : outcome.fontName;
    lines << QString::fromUtf8("%1個の文字を %2 に作成しました。").arg(NumberText(outcome.created), font);
    if (outcome.failed > 0)
        lines << QString::fromUtf8("%1個の文字は作成できませんでした。").arg(NumberText(outcome.failed));
    if (outcome.done < outcome.files)
        lines << QString::fromUtf8("処理したファイルは%1個、残りは%2個です。")
                     .arg(NumberText(outcome.done), NumberText(outcome.files - outcome.done));
    if (outcome.failed > 0)
        lines << QString::fromUtf8("作成に失敗した文字があります。\nログファイル「%1」をご参照ください。").arg(errorLogPath);
    lines << outcome.editorNotes;
    return lines.join(u'\n');
}

void CAutoCreator::Run(const QStringList& names)
{
    const FlagScope running(m_bRunning);
    const PointerBlock noDrawing(m_host.Drawing());
    m_progress.Open();
    m_lastPosition = 0;
    EmptyErrorLog();
    m_bCancelAutoCreate = false;
    m_bAutoCreateError = false;

    const QString folder = AddTrailingBackslash(m_host.StrokeFolder());
    const auto count = static_cast<int>(names.size());
    m_outcome = Outcome();
    m_outcome.files = count;
    const BatchRunScope batch(m_host, m_outcome);
    CLookAheadReplay lookAhead(m_host.Drawing());
    for (int i = 0; i < count; ++i) {
        m_nCurrent = i + 1;
        SetProgress(100 * (i + 1) / count);
        const QString next = i + 1 < count ? folder + names[i + 1] : QString();
        if (!ReplayStrokeFile(folder + names[i], &lookAhead, next)) {
            m_outcome.end = Outcome::End::BadFile;
            m_outcome.badFile = folder + names[i];
            break;
        }
        ++m_outcome.done;
        if (m_bCancelAutoCreate)
            break;
        // A quit request ends the run too, so that the view is never taken
        // down under it.
        if (!m_host.PumpMessages())
            break;
    }
    if (m_outcome.end == Outcome::End::Finished && m_outcome.done < count)
        m_outcome.end = Outcome::End::Cancelled;
    m_outcome.fontName = m_host.TargetFontName();
    m_progress.Close();
}

void CAutoCreator::SetProgress(int pos)
{
    if (pos == m_lastPosition)
        return;
    m_progress.SetPosition(pos);
    m_lastPosition = pos;
}

bool CAutoCreator::ReplayStrokeFile(const QString& path)
{
    return ReplayStrokeFile(path, nullptr, QString());
}

bool CAutoCreator::ReplayStrokeFile(const QString& path, CLookAheadReplay* lookAhead, const QString& next)
{
    CDrawingModel& drawing = m_host.Drawing();
    drawing.ClearCanvas();
    drawing.ResetHistory();
    {
        const FlagScope loading(m_bAutoCreating);
        if (!m_host.LoadStrokeFile(path))
            return false;
        std::optional<CCanvasBitmap> drawn;
        if (lookAhead) {
            drawn = lookAhead->Take(path, drawing.Strokes(), drawing);
            if (!next.isEmpty())
                lookAhead->Start(next);
        }
        m_host.SetCharText(m_host.CurrentChar());
        m_progress.SetCurrentText(
            QStringLiteral("%1　%2").arg(Cp932ToString(m_host.CurrentChar()), CountText(m_nCurrent, m_outcome.files)));
        if (drawn)
            drawing.AdoptDrawing(std::move(*drawn), drawing.Strokes());
        else
            DrawStrokes(drawing, drawing.Strokes());
        // A character without a Shift-JIS form has no code the editor takes;
        // the message names the character rather than an empty code.
        const GlyphStepResult result = m_host.CurrentChar().isEmpty()
                                           ? GlyphStepResult {false, UnusableCharText(m_host.LoadedCharUnit())}
                                           : m_host.WriteGlyph();
        if (result.ok) {
            ++m_outcome.created;
        } else {
            ++m_outcome.failed;
            LogGlyphFailure(QFileInfo(path).fileName(), result.error);
        }
        // The strokes are in their file: moving on loses nothing.
        drawing.MarkExecuted();
    }
    return true;
}

QString CAutoCreator::UnusableCharText(quint16 unit)
{
    if (unit == 0)
        return QString::fromUtf8("ストロークファイルに文字が記録されていません。");
    const QChar c(static_cast<char16_t>(unit));
    const QString shown = c.isPrint() && !c.isSurrogate() ? QStringLiteral("「%1」").arg(c) : QString();
    return QString::fromUtf8("文字%1（U+%2）はシフトJISにない文字のため、フォントに入れられません。")
        .arg(shown, QStringLiteral("%1").arg(unit, 4, 16, QLatin1Char('0')).toUpper());
}

// The log of an earlier run is emptied; a log that does not exist yet is
// made only when there is something to write into it.
void CAutoCreator::EmptyErrorLog()
{
    if (!QFileInfo(m_strErrorLogPath).isFile())
        return;
    QFile log(m_strErrorLogPath);
    if (log.open(QIODevice::WriteOnly | QIODevice::Truncate))
        log.close();
}

// One line per character: its Shift-JIS code, the stroke file and the error
// text on one line. The documents folder need not exist yet; the summary
// points here.
void CAutoCreator::LogGlyphFailure(const QString& fileName, const QString& error)
{
    m_bAutoCreateError = true;
    QDir().mkpath(QFileInfo(m_strErrorLogPath).absolutePath());
    QFile log(m_strErrorLogPath);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    QString text = error;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString code = QString::number(CharCode(m_host.CurrentChar()), 16).toUpper().rightJustified(4, u'0');
    const QString line = QStringLiteral("0x%1\t%2\t%3\n").arg(code, fileName, text);
    log.write(line.toUtf8());
}
