#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <unistd.h>

// Makes a folder refuse new files while this object lives. Permissions do
// not bind the super-user, so for it the folder is made immutable where the
// file system allows; IsUnwritable() tells whether either took.
class UnwritableFolder
{
public:
    explicit UnwritableFolder(QString path)
        : m_strPath(std::move(path))
    {
        QFile::setPermissions(m_strPath, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (::geteuid() == 0)
            m_bImmutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), m_strPath}) == 0;
    }
    ~UnwritableFolder()
    {
        if (m_bImmutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_strPath});
        QFile::setPermissions(m_strPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    UnwritableFolder(const UnwritableFolder&) = delete;
    UnwritableFolder& operator=(const UnwritableFolder&) = delete;

    bool IsUnwritable() const
    {
        QFile probe(m_strPath + QStringLiteral("/.probe"));
        if (!probe.open(QIODevice::WriteOnly))
            return true;
        probe.remove();
        return false;
    }

private:
    QString m_strPath;
    bool m_bImmutable = false;
};
