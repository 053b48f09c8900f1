#include "app/IMessageBox.h"
#include "chartable/CCharPlan.h"
#include "chartable/CCharTableWnd.h"
#include "chartable/CEditorCharTableSource.h"
#include "fonteditor/CAutomationChannel.h"
#include "fonteditor/CFontEditorSession.h"
#include "fonteditor/CGlyphsmithApplication.h"
#include "fonteditor/CGlyphsmithTypeface.h"
#include "fonteditor/CRemoteDispatch.h"
#include "fonteditor/IAutomationSystem.h"
#include "fonteditor/IFontFileField.h"
#include "fonteditor/ScriptedServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>
#include <cmath>

namespace {

constexpr qint64 kFontHandle = 2;

class CQuietMessages : public IMessageBox
{
public:
    void ShowMessage(const QString&) override {}
    bool AskYesNo(const QString&) override { return true; }
};

class CNoField : public IFontFileField
{
public:
    QString GetFontFilePathText() const override { return {}; }
    void SetFontFilePathText(const QString&) override {}
};

// An outline of the size the tracer gives a written kanji: eight closed
// contours of 24 cubic segments each.
QString TracedOutline()
{
    QStringList tokens {"A", "1000"};
    for (int c = 0; c < 8; ++c) {
        const double cx = 200 + (c % 4) * 200, cy = 200 + (c / 4) * 400, r = 90;
        tokens << "M" << QString::number(cx + r) << QString::number(cy);
        for (int s = 1; s <= 24; ++s) {
            const double a0 = (s - 1) * 2 * M_PI / 24, a1 = s * 2 * M_PI / 24;
            tokens << "C" << QString::number(cx + r * std::cos(a0 + 0.1), 'f', 1)
                   << QString::number(cy + r * std::sin(a0 + 0.1), 'f', 1)
                   << QString::number(cx + r * std::cos(a1 - 0.1), 'f', 1)
                   << QString::number(cy + r * std::sin(a1 - 0.1), 'f', 1) << QString::number(cx + r * std::cos(a1), 'f', 1)
                   << QString::number(cy + r * std::sin(a1), 'f', 1);
        }
        tokens << "Z";
    }
    return tokens.join(' ');
}

QByteArray StringResult(qint64 id, const QString& value)
{
    QJsonObject result {{"type", "string"}, {"value", value}};
    return QJsonDocument(QJsonObject {{"id", id}, {"result", result}}).toJson(QJsonDocument::Compact) + "\n";
}

// The editor's side over the real socket protocol, answering at once: a
// font holding every two-byte character of code page 932.
class CFullFontServer
{
public:
    CFullFontServer()
    {
        QStringList codes;
        for (const CCharCell& cell : CCharSets::Cells(ECharSet::All)) {
            if (cell.code > 0xFF)
                codes << QString::number(cell.code, 16).toUpper();
        }
        m_codes = codes.join(' ');
        m_nGlyphs = static_cast<int>(codes.size());
        m_outline = TracedOutline();
        m_server = std::make_unique<ScriptedServer>(m_dir.filePath("editor"), [this](const QByteArray& line) {
            return Answer(line);
        });
    }
    QString SocketPath() const { return m_dir.filePath("editor"); }
    int Glyphs() const { return m_nGlyphs; }

private:
    std::optional<QByteArray> Answer(const QByteArray& line)
    {
        const QJsonObject request = QJsonDocument::fromJson(line).object();
        if (request.value("op") != "invoke")
            return QByteArray();
        const qint64 id = request.value("id").toInteger();
        const qint64 object = request.value("object").toInteger();
        const int dispId = request.value("dispid").toInt();
        if (object == CAutomationChannel::kApplicationHandle && dispId == CGlyphsmithApplication::DISPID_Version)
            return StringResult(id, "3.10");
        if (object == CAutomationChannel::kApplicationHandle && dispId == CGlyphsmithApplication::DISPID_ActiveFont)
            return "{\"id\":" + QByteArray::number(id) + ",\"result\":{\"type\":\"object\",\"value\":" +
                   QByteArray::number(kFontHandle) + "}}\n";
        switch (dispId) {
        case CGlyphsmithTypeface::DISPID_GlyphCodes: return StringResult(id, m_codes);
        case CGlyphsmithTypeface::DISPID_GlyphOutline: return StringResult(id, m_outline);
        case CGlyphsmithTypeface::DISPID_Metrics: return StringResult(id, "1000 880 120 1000");
        default: return "{\"id\":" + QByteArray::number(id) + ",\"result\":{\"type\":\"empty\"}}\n";
        }
    }

    QTemporaryDir m_dir;
    QString m_codes;
    QString m_outline;
    int m_nGlyphs = 0;
    std::unique_ptr<ScriptedServer> m_server;
};

class CSocketSystem : public IAutomationSystem
{
public:
    explicit CSocketSystem(const QString& path) : m_strPath(path) {}
    bool ClassFromProgId(const QString&) override { return true; }
    std::shared_ptr<IDispatchObject> GetActiveObject(const QString&) override
    {
        if (!m_channel)
            m_channel = CAutomationChannel::Connect(m_strPath, 2000);
        if (!m_channel)
            return nullptr;
        return std::make_shared<CRemoteDispatch>(m_channel, CAutomationChannel::kApplicationHandle);
    }
    std::shared_ptr<IDispatchObject> CreateInstance(const QString& id) override { return GetActiveObject(id); }

private:
    QString m_strPath;
    std::shared_ptr<CAutomationChannel> m_channel;
};

// Everything a table window needs, once per process: the server, the
// connection, and a stroke folder with a file for every character.
struct CBench
{
    CBench() : system(server.SocketPath()), session(system, messages, field)
    {
        for (const CCharCell& cell : CCharSets::Cells(ECharSet::All)) {
            QFile file(strokes.filePath(CCharTable::StrokeFileName(cell)));
            file.open(QIODevice::WriteOnly);
        }
        session.EnsureEditor();
        session.OpenFontInEditor();
    }
    CFullFontServer server;
    CSocketSystem system;
    CQuietMessages messages;
    CNoField field;
    QTemporaryDir strokes;
    CFontEditorSession session;
    CEditorCharTableSource source {session, [this] { return strokes.path(); }};
    CCharPlan plan;
};

CBench& Bench()
{
    static CBench bench;
    return bench;
}

std::unique_ptr<CCharTableWnd> OpenWindow(ECharSet set)
{
    auto wnd = std::make_unique<CCharTableWnd>(
        CCharTableWnd::Parts {Bench().source, Bench().plan, Bench().messages, [] { return QStringLiteral("Noto Sans CJK JP"); },
                              [] { return false; }},
        nullptr);
    wnd->resize(640, 480);
    wnd->ChooseSet(set);
    wnd->ShowTable();
    return wnd;
}

// Painted now, not at the next pass of the event loop, and painted again
// until every outline in view has come from the editor.
void PaintNow(CCharTableWnd& wnd)
{
    for (int i = 0; i < 100 && !(wnd.windowHandle() && wnd.windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    wnd.List()->doItemsLayout();
    wnd.List()->viewport()->repaint();
    while (wnd.IsFetching())
        QCoreApplication::processEvents();
    wnd.List()->viewport()->repaint();
}

} // namespace

// Opening the table on a font of every two-byte character, up to the first
// painted cells: the glyph list read and parsed, the stroke folder listed,
// the set すべて laid out, and an outline fetched over the socket for every
// cell in view. The first iteration also builds the character sets.
static void BM_CharTableOpenToFirstPaint(benchmark::State& state)
{
    // The benchmark function runs more than once; only the first run
    // finds the sets unbuilt.
    static const double setsMs = [] {
        QElapsedTimer cold;
        cold.start();
        (void)CCharSets::Cells(ECharSet::All);
        return static_cast<double>(cold.nsecsElapsed()) / 1e6;
    }();
    Bench();
    for (auto _ : state) {
        const auto wnd = OpenWindow(ECharSet::All);
        PaintNow(*wnd);
    }
    state.counters["glyphs"] = Bench().server.Glyphs();
    state.counters["sets_build_ms"] = setsMs;
}
BENCHMARK(BM_CharTableOpenToFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

// The scroll bar's move for one wheel step: three rows.
static int ThreeRows(CCharTableWnd& wnd)
{
    return 3 * (wnd.List()->visualRect(wnd.List()->model()->index(0, 0)).height() + 2);
}

// One step further down, back to the top at the end.
static void ScrollDown(CCharTableWnd& wnd, int step)
{
    QScrollBar* bar = wnd.List()->verticalScrollBar();
    if (bar->value() >= bar->maximum())
        bar->setValue(0);
    bar->setValue(bar->value() + step);
}

// One wheel step (three rows) further down the first-level kanji: the new
// cells' outlines fetched and painted.
static void BM_CharTableScrollThreeRows(benchmark::State& state)
{
    const auto wnd = OpenWindow(ECharSet::Kanji1);
    PaintNow(*wnd);
    const int step = ThreeRows(*wnd);
    for (auto _ : state) {
        ScrollDown(*wnd, step);
        PaintNow(*wnd);
    }
}

// The same step as the user sees it first: the cells painted at once with
// what is at hand, the outlines still to come.
static void BM_CharTableScrollThreeRowsFirstPaint(benchmark::State& state)
{
    const auto wnd = OpenWindow(ECharSet::Kanji1);
    PaintNow(*wnd);
    const int step = ThreeRows(*wnd);
    for (auto _ : state) {
        ScrollDown(*wnd, step);
        wnd->List()->viewport()->repaint();
        state.PauseTiming();
        while (wnd->IsFetching())
            QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CharTableScrollThreeRowsFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CharTableScrollThreeRows)->Unit(benchmark::kMillisecond)->UseRealTime();
