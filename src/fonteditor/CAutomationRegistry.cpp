#include "fonteditor/CAutomationRegistry.h"

#include "res/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QString CAutomationRegistry::DefaultPath()
{
    const QString overridden = qEnvironmentVariable("QUILLERY_AUTOMATION_REGISTRY");
    if (!overridden.isEmpty())
        return overridden;
    return DataFilePath(QCoreApplication::applicationDirPath(), QStringLiteral("automation.json"));
}

CAutomationRegistry::CAutomationRegistry(QString path)
    : m_strPath(std::move(path))
{
}

std::optional<CAutomationRegistry::SServer> CAutomationRegistry::Find(const QString& progId) const
{
    QFile file(m_strPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    const QJsonObject entry = doc.object().value(progId).toObject();
    const QJsonArray command = entry.value("command").toArray();
    if (command.isEmpty() || !command.first().isString())
        return std::nullopt;

    const QString dir = QFileInfo(m_strPath).absolutePath();
    SServer server;
    for (const QJsonValue& part : command) {
        if (!part.isString())
            return std::nullopt;
        server.arguments << part.toString().replace(QStringLiteral("${DIR}"), dir);
    }
    server.strProgram = server.arguments.takeFirst();
    if (entry.value("startWaitMs").isDouble())
        server.nStartWaitMs = qBound(100, entry.value("startWaitMs").toInt(), 120'000);
    return server;
}
