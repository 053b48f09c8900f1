#include "canvas/CDrawingModel.h"

#include <benchmark/benchmark.h>

// One pointer move of a stroke with the 40-dot tip on a 512 canvas: a segment
// 20 dots long.
static void BM_RoundTipMove40(benchmark::State& state)
{
    CCanvasBitmap canvas(512, 512);
    const CRoundTip tip(40);
    int x = 100;
    for (auto _ : state) {
        tip.PaintSegment(canvas, {x, 250}, {x + 12, 266}, false);
        x = x >= 380 ? 100 : x + 12;
        benchmark::DoNotOptimize(canvas.Row(250));
    }
}
BENCHMARK(BM_RoundTipMove40);

// The user-defined 64 x 64 tip walked along a 100-dot segment.
static void BM_StampLine100(benchmark::State& state)
{
    CCanvasBitmap canvas(512, 512);
    CPenTip tip;
    tip.PenBits().fill(0x55);
    tip.RebuildPenStamp();
    for (auto _ : state) {
        tip.StampLine(canvas, {200, 200}, {300, 240}, false);
        benchmark::DoNotOptimize(canvas.Row(200));
    }
}
BENCHMARK(BM_StampLine100);

// An undo snapshot of a 512 canvas with 50 recorded strokes.
static void BM_PushSnapshot512With50Strokes(benchmark::State& state)
{
    CDrawingModel model(512, 2);
    for (int s = 0; s < 50; ++s) {
        model.OnButtonDown(PointerButton::Left, {10 + s * 9, 20});
        for (int i = 1; i <= 40; ++i)
            model.OnMove({10 + s * 9, 20 + i * 11}, true);
        model.OnButtonUp();
    }
    for (auto _ : state) {
        // Keep the history short so the measurement is of one step, not of
        // an ever-growing vector.
        model.ResetHistory();
        model.PushSnapshot();
    }
}
BENCHMARK(BM_PushSnapshot512With50Strokes);
