#include "app/CMainFrame.h"
#include "canvas/CQuilleryView.h"
#include "canvas/CSampleFont.h"

#include <QApplication>
#include <QWindow>

#include <benchmark/benchmark.h>

namespace {

CViewSettings GridAndSample()
{
    CViewSettings settings;
    settings.m_nBmpSize = 512;
    settings.m_bViewGrid = true;
    settings.m_bViewSample = true;
    return settings;
}

// A window that is not yet on screen skips its paints.
void ShowExposed(QWidget& window)
{
    window.show();
    for (int i = 0; i < 100 && !(window.windowHandle() && window.windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

// One full repaint of the 512 view with grid and sample, as every pointer
// move of a stroke causes: canvas copy, grid, the sample's glyph looked up,
// shaped and stroked anew, and the copy to the window.
static void BM_FullRepaint512GridSample(benchmark::State& state)
{
    CMainFrame frame(nullptr, GridAndSample());
    ShowExposed(frame);
    CQuilleryView* view = frame.View();
    view->Model().Canvas().FillSpan(300, 50, 400, true);
    view->repaint();
    for (auto _ : state)
        view->repaint();
}
BENCHMARK(BM_FullRepaint512GridSample)->Unit(benchmark::kMicrosecond);

// The same with the font matched and opened afresh for every paint, the
// worst case of a face that was never used before.
static void BM_FullRepaintFreshFontMatch(benchmark::State& state)
{
    CMainFrame frame(nullptr, GridAndSample());
    ShowExposed(frame);
    CQuilleryView* view = frame.View();
    for (auto _ : state) {
        view->SetSampleSource(std::make_unique<CSampleFont>());
        view->repaint();
    }
}
BENCHMARK(BM_FullRepaintFreshFontMatch)->Unit(benchmark::kMicrosecond);

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
