#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The registration file that names, per ProgID, the command that starts its
// server. It lies beside the executable (or in the installed data folder) as
// "automation.json"; the environment variable QUILLERY_AUTOMATION_REGISTRY
// names another file instead. Arguments may use ${DIR} for the folder of the
// registration file.
class CAutomationRegistry {
public:
    struct SServer {
        QString strProgram;
        QStringList arguments;
        int nStartWaitMs = 15'000;
    };

    static QString DefaultPath();
    explicit CAutomationRegistry(QString path = DefaultPath());

    // Empty when the file is missing or damaged or does not name the ProgID.
    std::optional<SServer> Find(const QString& progId) const;

private:
    QString m_strPath;
};
