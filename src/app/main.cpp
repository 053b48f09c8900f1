#include "app/CAppPlatform.h"
#include "app/CMyApp.h"
#include "app/CQtMessageBox.h"
#include "app/CSettingsStore.h"
#include "app/CSingleInstance.h"
#include "app/QtTranslations.h"
#include "fonteditor/Utf8Locale.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char* argv[])
{
    EnsureUtf8Locale();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillery"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLERY_VERSION));

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
