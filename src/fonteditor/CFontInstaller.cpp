#include "fonteditor/CFontInstaller.h"

#include "app/IMessageBox.h"
#include "fonteditor/IFontCachePlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString CauseText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS: return QStringLiteral("書き込む権限がありません");
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return QStringLiteral("ディスクの空き容量が足りません");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

bool WriteAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

QString FamilyText(const QStringList& families)
{
    QString text = QStringLiteral("「%1」").arg(families.value(0));
    for (int i = 1; i < families.size(); ++i) {
        if (families[i] != families[0])
            text += QStringLiteral("（%1）").arg(families[i]);
    }
    return text;
}

} // namespace

CFontInstaller::CFontInstaller(IFontCachePlatform& platform, IMessageBox& messages, QString fontsFolder)
    : m_platform(platform)
    , m_messages(messages)
    , m_strFolder(std::move(fontsFolder))
{
}

QString CFontInstaller::DefaultFontsFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("fonts"));
}

void CFontInstaller::Fail(const QString& reason)
{
    m_messages.ShowStop(QStringLiteral("フォントを%1にインストールできません。\n原因：%2").arg(m_strFolder, reason));
}

bool CFontInstaller::Install(const QString& fontFile)
{
    m_strInstalledPath.clear();
    const QFileInfo source(fontFile);
    if (!source.isFile() || !source.isReadable()) {
        m_messages.ShowMessage(QStringLiteral("フォントファイル%1を読めません。").arg(fontFile));
        return false;
    }
    bool scanMissing = false;
    const auto scanned = m_platform.Scan(source.absoluteFilePath(), &scanMissing);
    if (!scanMissing && scanned.isEmpty()) {
        m_messages.ShowMessage(
            QStringLiteral("%1 はフォントとして読めないため、インストールできません。").arg(fontFile));
        return false;
    }
    m_families = scanned.isEmpty() ? QStringList() : scanned.first().families;
    if (m_families.isEmpty())
        m_families = QStringList { source.completeBaseName() };

    errno = 0;
    if (!QDir().mkpath(m_strFolder)) {
        Fail(CauseText(errno ? errno : EACCES));
        return false;
    }
    const QString target = QDir(m_strFolder).filePath(source.fileName());
    if (QFileInfo(target).canonicalFilePath() != source.canonicalFilePath()
        && !CopyInto(source.absoluteFilePath(), target))
        return false;
    m_strInstalledPath = target;
    if (!scanMissing)
        RemoveEarlierCopies(target);

    const auto refresh = m_platform.RefreshCache(m_strFolder);
    if (refresh.outcome == IFontCachePlatform::EOutcome::ToolMissing) {
        m_messages.ShowMessage(
            QStringLiteral("フォントを%1にコピーしましたが、fontconfig の fc-cache が見つからないため、"
                           "フォントの一覧を更新できませんでした。\nfontconfig をインストールしてください。")
                .arg(target));
        return false;
    }
    if (refresh.outcome == IFontCachePlatform::EOutcome::Failed) {
        m_messages.ShowMessage(
            QStringLiteral("フォントを%1にコピーしましたが、fontconfig のフォントの一覧を更新できませんでした。\n%2")
                .arg(target, refresh.detail));
        return false;
    }
    // News, not a failure: the information icon, and the command line does
    // not count it as an error.
    m_messages.ShowInformation(
        QStringLiteral("フォント%1をインストールしました。\n%2").arg(FamilyText(m_families), target));
    return true;
}

// POSIX calls rather than Qt's files, since only errno tells a full disk from
// a folder the user may not write.
bool CFontInstaller::CopyInto(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        m_messages.ShowMessage(QStringLiteral("フォントファイル%1を読めません。").arg(source));
        return false;
    }
    QByteArray temporary = QFile::encodeName(QDir(m_strFolder).filePath(QStringLiteral(".quillery-XXXXXX")));
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        Fail(CauseText(errno));
        return false;
    }
    int error = 0;
    while (!in.atEnd() && error == 0) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError) {
            error = EIO;
            break;
        }
        if (!WriteAll(fd, chunk.constData(), chunk.size()))
            error = errno;
    }
    if (error == 0 && ::fchmod(fd, 0644) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        Fail(CauseText(error));
        return false;
    }
    return true;
}

// Only files directly in the font folder are ours to replace; fonts the user
// keeps in subfolders stay. An earlier copy has every family name of this
// one: two fonts that share only their English name (new fonts named in
// kanji both get a plain one) are two fonts.
void CFontInstaller::RemoveEarlierCopies(const QString& target)
{
    const QString folder = QFileInfo(target).absolutePath();
    const auto key = [](const QStringList& families) {
        QStringList folded;
        for (const QString& family : families)
            folded << family.toCaseFolded();
        folded.removeDuplicates();
        folded.sort();
        return folded;
    };
    const QStringList ours = key(m_families);
    for (const auto& font : m_platform.Scan(m_strFolder)) {
        const QFileInfo file(font.file);
        if (file.absolutePath() != folder || file.absoluteFilePath() == QFileInfo(target).absoluteFilePath())
            continue;
        if (key(font.families) == ours)
            QFile::remove(file.absoluteFilePath());
    }
}
