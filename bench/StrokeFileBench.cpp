#include "app/IMessageBox.h"
#include "autocreate/CAutoCreator.h"
#include "canvas/CDrawingModel.h"
#include "strokes/CStrokeFileStore.h"
#include "strokes/IStrokeFileHost.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

class SilentMessages : public IMessageBox
{
public:
    void ShowMessage(const QString&) override {}
    bool AskYesNo(const QString&) override { return false; }
};

// The view state of one character on a 512 canvas, strokes in the model.
class BenchHost : public IStrokeFileHost
{
public:
    QString StrokeFolder() const override { return folder; }
    QByteArray CurrentChar() const override { return ch; }
    void SetCurrentChar(const QByteArray& c) override { ch = c; }
    bool IsVerticalChecked() const override { return false; }
    void SetVerticalCheck(bool) override {}
    int BmpSize() const override { return 512; }
    CPointAryAry2& Strokes() override { return drawing.Strokes(); }

    QString folder;
    QByteArray ch = QByteArray("\x88\x9f");
    CDrawingModel drawing{512, 2};
};

// 20 strokes of 40 points each, steps of a few dots as a pen writes them.
CPointAryAry2 TwentyStrokes()
{
    CPointAryAry2 strokes;
    for (int s = 0; s < 20; ++s) {
        CPointArray2 stroke;
        for (int i = 0; i < 40; ++i)
            stroke.push_back({60 + s * 20 + static_cast<int>(8 * std::sin(i / 6.0)), 40 + i * 10});
        strokes.push_back(stroke);
    }
    return strokes;
}

} // namespace

// Reading one stroke file of 20 strokes and drawing it again with the
// 30-dot tip on a cleared 512 canvas, as automatic creation does per file.
static void BM_LoadAndReplay20Strokes512(benchmark::State& state)
{
    QTemporaryDir dir;
    BenchHost host;
    host.folder = dir.path();
    SilentMessages messages;
    CStrokeFileStore store(host, messages);
    host.drawing.Strokes() = TwentyStrokes();
    store.SaveStrokeFile();
    const QString path = store.StrokeFilePath();
    for (auto _ : state) {
        host.drawing.ClearCanvas();
        host.drawing.ResetHistory();
        if (!store.LoadStrokeFile(path))
            state.SkipWithError("load failed");
        CAutoCreator::DrawStrokes(host.drawing, host.drawing.Strokes());
        benchmark::DoNotOptimize(host.drawing.Canvas().Row(256));
    }
}
BENCHMARK(BM_LoadAndReplay20Strokes512)->Unit(benchmark::kMicrosecond);

// Reading alone, to tell the file's share from the drawing's.
static void BM_Load20Strokes(benchmark::State& state)
{
    QTemporaryDir dir;
    BenchHost host;
    host.folder = dir.path();
    SilentMessages messages;
    CStrokeFileStore store(host, messages);
    host.drawing.Strokes() = TwentyStrokes();
    store.SaveStrokeFile();
    const QString path = store.StrokeFilePath();
    for (auto _ : state) {
        host.drawing.Strokes().clear();
        store.LoadStrokeFile(path);
        benchmark::DoNotOptimize(host.drawing.Strokes().data());
    }
}
BENCHMARK(BM_Load20Strokes)->Unit(benchmark::kMicrosecond);
