#include "app/IMessageBox.h"
#include "canvas/CCanvasBitmap.h"
#include "canvas/CRoundTip.h"
#include "fonteditor/CFontEditorSession.h"
#include "fonteditor/CLocalAutomationSystem.h"
#include "fonteditor/IFontFileField.h"
#include "fonteditor/WorkFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <sys/resource.h>

namespace {

class CSilentMessages : public IMessageBox {
public:
    void ShowMessage(const QString& text) override { m_strLast = text; }
    bool AskYesNo(const QString&) override { return true; }
    QString m_strLast;
};

class CFixedField : public IFontFileField {
public:
    QString GetFontFilePathText() const override { return QString(); }
    void SetFontFilePathText(const QString&) override { }
};

// A few curved strokes with the 30-dot tip, like a written character.
CCanvasBitmap Handwriting(int size)
{
    CCanvasBitmap canvas(size, size);
    const CRoundTip tip(30);
    for (int stroke = 0; stroke < 5; ++stroke) {
        QPoint last;
        for (int i = 0; i <= 40; ++i) {
            const double t = i / 40.0;
            const double a = t * (3 + stroke) + stroke;
            const QPoint p(static_cast<int>(size * (0.5 + 0.35 * std::cos(a) * (1 - 0.1 * stroke))),
                static_cast<int>(size * (0.5 + 0.3 * std::sin(a * 0.7) + 0.05 * stroke - 0.1)));
            if (i > 0)
                tip.PaintSegment(canvas, last, p, false);
            last = p;
        }
    }
    return canvas;
}

// The BMP handed to the editor: the canvas rows in stored order, 1 bit.
void WriteCanvasBmp(const CCanvasBitmap& canvas, const QString& path)
{
    const int stride = (canvas.Width() + 31) / 32 * 4;
    QByteArray file(62 + stride * canvas.Height(), '\0');
    auto put = [&](int at, quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, static_cast<quint32>(file.size()), 4);
    put(10, 62, 4);
    put(14, 40, 4);
    put(18, static_cast<quint32>(canvas.Width()), 4);
    put(22, static_cast<quint32>(canvas.Height()), 4);
    put(26, 1, 2);
    put(28, 1, 2);
    put(34, static_cast<quint32>(stride * canvas.Height()), 4);
    put(46, 2, 4);
    put(58, 0x00FFFFFF, 4);
    for (int y = 0; y < canvas.Height(); ++y)
        std::memcpy(file.data() + 62 + y * stride, canvas.Row(y), static_cast<size_t>(canvas.Width() / 8));
    QFile out(path);
    if (out.open(QIODevice::WriteOnly))
        out.write(file);
}

// Resident memory of the editor serving the given socket, in MiB.
double EditorResidentMiB(const QString& socketPath)
{
    QDirIterator procs("/proc", QDir::Dirs | QDir::NoDotAndDotDot);
    while (procs.hasNext()) {
        const QString dir = procs.next();
        QFile cmdline(dir + "/cmdline");
        if (!cmdline.open(QIODevice::ReadOnly) || !cmdline.readAll().contains(socketPath.toLocal8Bit()))
            continue;
        QFile status(dir + "/status");
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0.0;
}

// The CPU time of this process (every thread), user and system, in ms.
double ClientCpuMs()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Execute at 512 with the real editor: canvas to BMP file, the import
// sequence, tracing and cleanup in the editor; as in the window, or as in a
// batch run, where the client looks for each answer a moment before it
// sleeps. The counters give the editor's memory before and after the run, to
// show that it stays flat, and the client's CPU time per glyph.
void ExecuteAt512(benchmark::State& state, bool batch)
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    // The never saved font's journal stays with the run, not with the user.
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    qputenv("QUILLERY_AUTOMATION_REGISTRY", QUILLERY_BUILD_DIR "/automation.json");
    CLocalAutomationSystem system;
    CSilentMessages messages;
    CFixedField field;
    CFontEditorSession session(system, messages, field);
    const CCanvasBitmap canvas = Handwriting(512);
    if (!session.EnsureEditor() || !session.OpenFontInEditor()) {
        state.SkipWithError("the font editor cannot be started");
        return;
    }
    session.SetBatchMode(batch);
    const QString socket = CLocalAutomationSystem::SocketPath(CFontEditorSession::kProgId);
    const double before = EditorResidentMiB(socket);
    const double cpuBefore = ClientCpuMs();
    qint32 code = 0x889F; // the kanji block, one new glyph per call
    for (auto _ : state) {
        const QString bmp = CreateWorkFile();
        WriteCanvasBmp(canvas, bmp);
        if (!session.WriteGlyph(bmp, code, false)) {
            state.SkipWithError(messages.m_strLast.toStdString().c_str());
            break;
        }
        code = (code & 0xFF) >= 0xFC ? ((code & 0xFF00) + 0x140) : code + 1;
        if ((code & 0xFF) == 0x7F)
            ++code;
    }
    state.counters["client_cpu_ms"]
        = state.iterations() > 0 ? (ClientCpuMs() - cpuBefore) / static_cast<double>(state.iterations()) : 0.0;
    state.counters["editor_MiB_before"] = before;
    state.counters["editor_MiB_after"] = EditorResidentMiB(socket);
    session.SetBatchMode(false);
    session.ReleaseAtExit(QString());
}

} // namespace

static void BM_ExecuteAt512(benchmark::State& state)
{
    ExecuteAt512(state, false);
}
BENCHMARK(BM_ExecuteAt512)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_ExecuteAt512InABatchRun(benchmark::State& state)
{
    ExecuteAt512(state, true);
}
BENCHMARK(BM_ExecuteAt512InABatchRun)->Unit(benchmark::kMillisecond)->UseRealTime();
