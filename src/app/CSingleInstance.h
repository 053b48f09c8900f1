#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

// Makes sure only one copy of the program runs for a user: the first copy
// holds a lock file and listens on a local socket of the same name; a later
// copy finds the lock taken and asks the first, through the socket, to bring
// its window forward. A lock whose holder has died is taken over, so a crash
// never keeps the program from starting again.
class CSingleInstance : public QObject
{
    Q_OBJECT

public:
    static inline const QString kName = QStringLiteral("QuilleryMutexName");

    // runtimeDir: where the lock and the socket live (the user's runtime
    // folder in the program, a temporary one in tests).
    explicit CSingleInstance(QString runtimeDir, QObject* parent = nullptr);
    ~CSingleInstance() override;

    static QString DefaultRuntimeDir();

    // True when this is the only copy; it then holds the lock until Release.
    // Also true, holding nothing, when no lock can be made at all.
    bool Acquire();
    // Asks the copy that holds the lock to show its window; true when the
    // request was delivered.
    bool AskRunningCopyToActivate() const;
    void Release();
    bool IsHeld() const { return m_lock != nullptr; }

signals:
    // Another copy was started and wants this one's window in front.
    void ActivateRequested();

private:
    QString ServerPath() const;
    void OnConnection();

    QString m_strRuntimeDir;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLocalServer> m_server;
};
