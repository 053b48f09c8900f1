// Feeds arbitrary bytes to the settings reader as the user's settings file,
// and checks that every value the view takes from it is usable.
#include "app/CSettingsStore.h"
#include "app/CViewSettings.h"
#include "canvas/CDrawingModel.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_settings";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    // Qt warns about every odd value it parses; the checks below are what count.
    static const auto quiet = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    (void)quiet;
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("settings.ini"));
    {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || out.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
            std::abort();
    }

    const CSettingsStore store(path);
    CViewSettings settings;
    settings.Read(store, QSize(1024, 768), QStringLiteral("/nonexistent/documents"));

    if (!CViewSettings::IsOfferedSize(settings.m_nBmpSize) || settings.m_penBits.size() != CViewSettings::kPenBytes
        || CViewSettings::TruncateFaceName(settings.m_strFaceName) != settings.m_strFaceName)
        std::abort();
    // The drawing model draws with whatever tool size and pen were stored.
    CDrawingModel drawing(settings.m_nBmpSize, settings.m_nToolSize);
    drawing.PenTip().LoadStored(settings.m_penBits);
    drawing.StartStroke({10, 10}, true);
    drawing.ContinueStroke({settings.m_nBmpSize - 1, 40}, true);
    return 0;
}
