#include "app/CSettingsStore.h"
#include "app/CViewSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A settings file grown by hand and by other programs over the years: the
// program's group, then many lines of another group, two of which Qt's INI
// reader refuses.
QByteArray LargeSettingsFile(int lines)
{
    QByteArray text = "[Settings]\nChar=\xe3\x81\x95\nToolSize=3\nGridSize=5\n[Other]\n";
    for (int i = 0; i < lines; ++i) {
        if (i == lines / 3 || i == 2 * lines / 3)
            text += "a line without an equals sign\n";
        else
            text += "Key" + QByteArray::number(i) + "=value number " + QByteArray::number(i) + "\n";
    }
    return text;
}

// Everything the start reads from the settings, as the view, the frame and
// start-up read it.
void BM_StartReadsLargeSettingsFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("3.1.0.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(LargeSettingsFile(int(state.range(0)))) < 0) {
        state.SkipWithError("cannot write the settings file");
        return;
    }
    file.close();
    for (auto _ : state) {
        const CSettingsStore store(path);
        CViewSettings settings;
        settings.Read(store, QSize(1280, 1024), dir.path());
        QString fontFilePath;
        store.ReadRegString(CViewSettings::kSection, QStringLiteral("FontFilePath"), fontFilePath);
        int32_t first = 0;
        store.ReadRegDword(CViewSettings::kSection, QStringLiteral("FirstOperation"), first);
        benchmark::DoNotOptimize(settings.m_nToolSize);
    }
}
BENCHMARK(BM_StartReadsLargeSettingsFile)->Arg(20'000)->Unit(benchmark::kMillisecond);

} // namespace
