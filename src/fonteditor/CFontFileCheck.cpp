#include "fonteditor/CFontFileCheck.h"

#include "res/CStringTable.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using SWritePlace = CFontFileCheck::SWritePlace;
using M = CStringTable::EMessage;

SWritePlace Refused(SWritePlace::EProblem problem, const QString& path, int error, bool existingFile = false)
{
    return { problem, QDir::toNativeSeparators(path), CFontFileCheck::ErrorWords(error, existingFile) };
}

// The nearest folder at or above the given one that exists.
QString ExistingFolder(QString folder)
{
    while (!QFileInfo::exists(folder) && folder != QDir::rootPath())
        folder = QFileInfo(folder).absolutePath();
    return folder;
}

// Made with O_EXCL by mkstemp, so a name planted by someone else is never
// followed; removed at once.
int TryCreateIn(const QString& folder)
{
    QByteArray name = QFile::encodeName(QDir(folder).filePath(QStringLiteral(".quillery-check-XXXXXX")));
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    ::unlink(name.constData());
    return 0;
}

// Opened as the editor will replace it; O_NONBLOCK so that a FIFO in the
// font's place cannot hold the program.
int TryOpenForWriting(const QString& file)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular ? 0 : EINVAL;
}

quint32 Tag(const char* text)
{
    return qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(text));
}

} // namespace

QString CFontFileCheck::ErrorWords(int error, bool existingFile)
{
    switch (error) {
    case EROFS: return QStringLiteral("読み取り専用");
    case EACCES:
    case EPERM: return existingFile ? QStringLiteral("書き込み禁止") : QStringLiteral("書き込む権限がありません");
    case ENOSPC: return QStringLiteral("ディスクの空き容量がありません");
    case EDQUOT: return QStringLiteral("ディスクの使用量の上限に達しています");
    case ENOENT:
    case ENOTDIR: return QStringLiteral("フォルダがありません");
    case EISDIR: return QStringLiteral("フォルダです");
    case EINVAL: return QStringLiteral("通常のファイルではありません");
    case ETXTBSY:
    case EBUSY: return QStringLiteral("使用中です");
    case ENAMETOOLONG: return QStringLiteral("名前が長すぎます");
    case ELOOP: return QStringLiteral("リンクをたどれません");
    case EIO: return QStringLiteral("入出力エラー");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

CFontFileCheck::SWritePlace CFontFileCheck::CheckWritable(const QString& fontPath)
{
    const QFileInfo info(fontPath);
    QString folder = info.absolutePath();
    if (info.exists()) {
        // A link stays a link: the file written is its target, in its folder.
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty())
            folder = QFileInfo(target).absolutePath();
        if (info.isDir())
            return Refused(SWritePlace::EProblem::File, fontPath, EISDIR);
        if (const int error = TryOpenForWriting(target.isEmpty() ? fontPath : target)) {
            // A file the user owns and has made read-only says so itself.
            const bool readOnlyByOwner
                = error == EACCES && info.ownerId() == ::getuid() && !(info.permissions() & QFile::WriteOwner);
            return Refused(SWritePlace::EProblem::File, fontPath, error, readOnlyByOwner);
        }
    } else {
        folder = ExistingFolder(folder);
    }
    if (const int error = TryCreateIn(folder))
        return Refused(SWritePlace::EProblem::Folder, folder, error);
    return {};
}

QString CFontFileCheck::RefusalText(const SWritePlace& place)
{
    const M message = place.problem == SWritePlace::EProblem::File ? M::FileNotWritable : M::FolderNotWritable;
    return CStringTable::Message(message).arg(place.path, place.cause);
}

// The sfnt header and its table directory: a TrueType font starts with
// 0x00010000 or "true" and names each table with its place in the file,
// which must lie inside the file; head, cmap, maxp, glyf and loca are the
// tables a TrueType font cannot be without.
QString CFontFileCheck::ContentProblem(const QString& fontPath)
{
    QFile file(fontPath);
    if (!file.open(QIODevice::ReadOnly) || !QFileInfo(fontPath).isFile())
        return QString();
    const QString shown = QDir::toNativeSeparators(fontPath);
    const QString damaged = CStringTable::Message(M::FontDamaged).arg(shown);
    const qint64 size = file.size();
    const QByteArray header = file.read(12);
    if (header.size() < 12)
        return damaged;
    const quint32 version = qFromBigEndian<quint32>(header.constData());
    if (version == Tag("OTTO"))
        return CStringTable::Message(M::FontCff).arg(shown);
    if (version == Tag("ttcf"))
        return CStringTable::Message(M::FontCollection).arg(shown);
    if (version != 0x00010000 && version != Tag("true"))
        return damaged;
    const int tableCount = qFromBigEndian<quint16>(header.constData() + 4);
    constexpr int kMaxTables = 1000;
    if (tableCount == 0 || tableCount > kMaxTables)
        return damaged;
    const QByteArray directory = file.read(16LL * tableCount);
    if (directory.size() < 16LL * tableCount)
        return damaged;
    QSet<quint32> tags;
    for (int i = 0; i < tableCount; ++i) {
        const char* record = directory.constData() + 16 * i;
        const quint64 offset = qFromBigEndian<quint32>(record + 8);
        const quint64 length = qFromBigEndian<quint32>(record + 12);
        if (offset + length > static_cast<quint64>(size))
            return damaged;
        tags.insert(qFromBigEndian<quint32>(record));
    }
    if (tags.contains(Tag("fvar")))
        return CStringTable::Message(M::FontVariable).arg(shown);
    for (const char* required : { "head", "cmap", "maxp", "glyf", "loca" })
        if (!tags.contains(Tag(required)))
            return damaged;
    return QString();
}
