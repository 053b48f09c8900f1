// A second process for the single-copy tests. "hold <dir>" takes the lock,
// prints "ready" and waits for an activation request, then prints
// "activated"; "crash <dir>" takes the lock and dies without releasing it;
// "ask <dir>" is a second copy: it finds the lock taken, prints "busy" and
// whether the running copy took its activation request.
#include "app/CSingleInstance.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    CSingleInstance instance(QString::fromLocal8Bit(argv[2]));
    if (!instance.Acquire()) {
        std::puts("busy");
        if (QByteArray(argv[1]) == "ask")
            std::puts(instance.AskRunningCopyToActivate() ? "asked" : "unanswered");
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    if (QByteArray(argv[1]) == "crash")
        std::_Exit(3);
    QObject::connect(&instance, &CSingleInstance::ActivateRequested, &app, [] {
        std::puts("activated");
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    QTimer::singleShot(30000, &app, [] { QCoreApplication::exit(4); });
    return app.exec();
}
