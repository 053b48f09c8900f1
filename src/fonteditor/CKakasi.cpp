#include "fonteditor/CKakasi.h"

#include <QProcess>

CKakasi::CKakasi(QString program)
    : m_program(std::move(program))
{
}

QStringList CKakasi::Read(const QStringList& pieces) const
{
    if (pieces.isEmpty())
        return {};
    const QStringList nothing(pieces.size(), QString());
    QProcess process;
    process.start(m_program, { QStringLiteral("-i"), QStringLiteral("utf8"), QStringLiteral("-o"), QStringLiteral("utf8"),
                                 QStringLiteral("-Ja"), QStringLiteral("-Ha"), QStringLiteral("-Ka"), QStringLiteral("-s") });
    if (!process.waitForStarted(kBoundMs))
        return nothing;
    process.write((pieces.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(kBoundMs)) {
        process.kill();
        process.waitForFinished();
        return nothing;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return nothing;
    QString answer = QString::fromUtf8(process.readAllStandardOutput());
    if (answer.endsWith(QLatin1Char('\n')))
        answer.chop(1);
    const QStringList lines = answer.split(QLatin1Char('\n'));
    return lines.size() == pieces.size() ? lines : nothing;
}
