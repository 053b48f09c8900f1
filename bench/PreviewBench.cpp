// The preview's refresh on a font of about 3,000 glyphs: the editor's copy of
// the font (one synchronous call, so the main window waits for it), the
// shaping and drawing of the specimen (on a worker thread), and putting the
// picture on the screen (on the interface thread).
#include "app/IMessageBox.h"
#include "fonteditor/CFontEditorSession.h"
#include "fonteditor/CLocalAutomationSystem.h"
#include "fonteditor/IFontFileField.h"
#include "preview/CPreviewRenderer.h"
#include "preview/CPreviewSettings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

class CSilentMessages : public IMessageBox {
public:
    void ShowMessage(const QString&) override { }
    bool AskYesNo(const QString&) override { return true; }
};

class CField : public IFontFileField {
public:
    QString GetFontFilePathText() const override { return path; }
    void SetFontFilePathText(const QString& text) override { path = text; }
    QString path;
};

QTemporaryDir& Scratch()
{
    static QTemporaryDir dir;
    return dir;
}

// QUILLERY_BENCH_FONT names a font to use (a proof run's, say); else one is
// cut from IPA Gothic once.
QString BenchFont()
{
    static const QString path = [] {
        const QString given = qEnvironmentVariable("QUILLERY_BENCH_FONT");
        if (!given.isEmpty())
            return given;
        const QString out = QDir(Scratch().path()).filePath(QStringLiteral("bench.ttf"));
        QProcess::execute(QStringLiteral("fontforge"),
            { QStringLiteral("-quiet"), QStringLiteral("-lang=py"), QStringLiteral("-script"),
                QStringLiteral(QUILLERY_SOURCE_DIR "/bench/make_bench_font.py"), out });
        return out;
    }();
    return path;
}

// A copy of the bench font under the name given in the scratch folder, with
// the environment that gives the bench an editor of its own.
QString PrepareBenchFont(const QString& name)
{
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(Scratch().path()));
    qputenv("QUILLERY_AUTOMATION_REGISTRY", QUILLERY_BUILD_DIR "/automation.json");
    const QString path = QDir(Scratch().path()).filePath(name);
    QFile::remove(path);
    QFile::copy(BenchFont(), path);
    return path;
}

// An editor of the bench's own with that copy open in it.
struct SBenchEditor
{
    explicit SBenchEditor(const QString& name)
        : fontPath(PrepareBenchFont(name))
    {
        field.path = fontPath;
        open = session.EnsureEditor() && session.OpenFontInEditor();
    }
    ~SBenchEditor() { session.ReleaseAtExit(QString()); }

    QString fontPath; // first, so that the environment is set before the rest is made
    CLocalAutomationSystem system;
    CSilentMessages messages;
    CField field;
    CFontEditorSession session { system, messages, field };
    bool open = false;
};

CPreviewRenderer::SJob Job(bool vertical)
{
    CPreviewRenderer::SJob job;
    job.fontPath = BenchFont();
    job.text = CPreviewSettings::DefaultText();
    job.sizes = CPreviewSettings::OfferedSizes();
    job.vertical = vertical;
    job.extent = vertical ? 540 : 700;
    return job;
}

void BM_PreviewRender(benchmark::State& state)
{
    const CPreviewRenderer::SJob job = Job(state.range(0) != 0);
    for (auto _ : state) {
        const auto picture = CPreviewRenderer::Render(job);
        if (picture.image.isNull())
            state.SkipWithError("the font could not be read");
        benchmark::DoNotOptimize(picture.image.constBits());
    }
}
BENCHMARK(BM_PreviewRender)->ArgName("vertical")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PreviewShowPicture(benchmark::State& state)
{
    const auto picture = CPreviewRenderer::Render(Job(false));
    QLabel label;
    for (auto _ : state) {
        label.setPixmap(QPixmap::fromImage(picture.image));
        label.resize(picture.image.size());
    }
}
BENCHMARK(BM_PreviewShowPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

// The editor's copy of the whole font.
void BM_EditorCopyOfFont(benchmark::State& state)
{
    SBenchEditor editor(QStringLiteral("opened.ttf"));
    if (!editor.open) {
        state.SkipWithError("the editor did not open the font");
        return;
    }
    const QString copy = QDir(Scratch().path()).filePath(QStringLiteral("copy.ttf"));
    for (auto _ : state)
        editor.session.EditorFont().SaveCopy(copy);
}
BENCHMARK(BM_EditorCopyOfFont)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The editor's copy made over a second connection from a worker thread, as
// the preview window does, while the interface thread asks what a pen stroke
// asks (whether a font is open, for the command states) every 5 ms. The
// counter is the longest the interface thread waited; with the argument 0
// the session is not told that the editor is busy elsewhere, which shows
// what the waiting would be without that.
void BM_MainWindowDuringCopy(benchmark::State& state)
{
    const bool toldBusy = state.range(0) != 0;
    SBenchEditor editor(QStringLiteral("stalls.ttf"));
    if (!editor.open) {
        state.SkipWithError("the editor did not open the font");
        return;
    }
    CFontEditorSession& session = editor.session;
    const QString copy = QDir(Scratch().path()).filePath(QStringLiteral("stalls-copy.ttf"));
    double worst = 0;
    for (auto _ : state) {
        std::atomic<bool> done = false;
        session.SetEditorBusyElsewhere(toldBusy);
        std::thread worker([&] {
            try {
                CGlyphsmithApplication app;
                app.AttachDispatch(editor.system.GetActiveObject(CFontEditorSession::kProgId));
                CGlyphsmithTypeface font;
                font.AttachDispatch(app.GetActiveFont());
                font.SaveCopy(copy);
            } catch (const std::exception&) {
            }
            done = true;
        });
        while (!done) {
            QElapsedTimer timer;
            timer.start();
            benchmark::DoNotOptimize(session.HasActiveFont());
            QCoreApplication::processEvents();
            worst = std::max(worst, timer.nsecsElapsed() / 1e6);
            QThread::msleep(5);
        }
        worker.join();
        session.SetEditorBusyElsewhere(false);
    }
    state.counters["worst_wait_ms"] = worst;
}
BENCHMARK(BM_MainWindowDuringCopy)
    ->ArgName("told_busy")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
