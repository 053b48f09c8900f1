#include "app/CAppPlatform.h"
#include "app/CMyApp.h"
#include "app/CQtMessageBox.h"
#include "app/CSettingsStore.h"
#include "app/CSingleInstance.h"
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
