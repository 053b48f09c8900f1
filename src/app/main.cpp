#include "app/CAppPlatform.h"
#include "app/CMyApp.h"
#include "app/CQtMessageBox.h"
#include "app/CSettingsStore.h"
#include "app/CSingleInstance.h"
#include "app/CTerminationSignals.h"
#include "app/QtTranslations.h"
#include "fonteditor/Utf8Locale.h"

#include <QApplication>
#include <QIcon>
#include <QStandardPaths>

int main(int argc, char* argv[])
{
    EnsureUtf8Locale();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillery"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLERY_VERSION));
    // The desktop entry and the icon installed with the program: desktops
    // match the window to them by this name.
    QApplication::setDesktopFileName(QStringLiteral("com.orvane.Quillery"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("com.orvane.Quillery")));

    InstallJapaneseQtTranslations();

    CQtMessageBox messages;
    const CSettingsStore store;
    CAppPlatform platform;
    // A logout, a closed terminal or Ctrl+C end the program as closing its
    // window does; a signal that comes during start-up is taken up once the
    // event loop runs. Repeats while the end is under way are ignored, so
    // that the font's save is not cut short.
    CTerminationSignals endSignals;
    QObject::connect(&endSignals, &CTerminationSignals::Received, &app, [&platform] { platform.EndOnSignal(); });
    CMyApp quillery(store, messages, platform,
                    {CSingleInstance::DefaultRuntimeDir(), QApplication::applicationDirPath(),
                     QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)});
    if (!quillery.InitInstance())
        return 0;
    const int result = QApplication::exec();
    platform.DestroyMainWindow();
    quillery.ExitInstance();
    return result;
}
