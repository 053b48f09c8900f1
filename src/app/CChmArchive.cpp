#include "app/CChmArchive.h"

#include "res/DataFolder.h"

#include <QFile>
#include <QFileInfo>

#include <chm_lib.h>

namespace {

constexpr LONGUINT64 kMaxObjectSize = 16 * 1024 * 1024;

} // namespace

void CChmArchive::Closer::operator()(chmFile* file) const
{
    chm_close(file);
}

CChmArchive::CChmArchive(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    m_file.reset(chm_open(native.constData()));
}

CChmArchive::~CChmArchive() = default;

std::optional<QByteArray> CChmArchive::Read(const QString& objectPath) const
{
    if (!m_file)
        return std::nullopt;
    chmUnitInfo info {};
    const QByteArray name = objectPath.toUtf8();
    if (chm_resolve_object(m_file.get(), name.constData(), &info) != CHM_RESOLVE_SUCCESS)
        return std::nullopt;
    if (info.length > kMaxObjectSize)
        return std::nullopt;
    QByteArray data(static_cast<qsizetype>(info.length), Qt::Uninitialized);
    const LONGINT64 read = chm_retrieve_object(m_file.get(), &info, reinterpret_cast<unsigned char*>(data.data()), 0,
                                               static_cast<LONGINT64>(info.length));
    if (read != static_cast<LONGINT64>(info.length))
        return std::nullopt;
    return data;
}

QString CChmArchive::HelpPathFor(const QString& programFilePath)
{
    const QFileInfo program(programFilePath);
    return DataFilePath(program.absolutePath(), program.fileName() + QStringLiteral(".CHM"));
}
