#include "app/CQuilleryDoc.h"

#include "app/IMessageBox.h"
#include "fonteditor/FileErrorText.h"
#include "res/DataFolder.h"

#include <QFile>

#include <algorithm>

namespace {

QString OpenFailureText(const QString& path)
{
    return QStringLiteral("ファイル%1のオープンに失敗しました。").arg(path);
}

} // namespace

CQuilleryDoc::CQuilleryDoc(const QString& applicationDir, IMessageBox& messages)
    : m_strSystemFolder(DataFilePath(applicationDir, QStringLiteral("system")))
    , m_messages(messages)
{
}

QString CQuilleryDoc::TemplatePath(int size) const
{
    return QStringLiteral("%1/%2.bin").arg(m_strSystemFolder).arg(size);
}

void CQuilleryDoc::ClearDib()
{
    std::fill(m_dib.Bits().begin(), m_dib.Bits().end(), uint8_t(0xFF));
}

bool CQuilleryDoc::LoadTemplate(int size)
{
    const QString path = TemplatePath(size);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_messages.ShowMessage(OpenFailureText(path));
        return false;
    }
    // A damaged template has shown its reason already; it fails the load all
    // the same, since an empty bitmap leaves the canvas nowhere to go.
    QString errorText;
    if (!m_dib.ReadDib(file, errorText, &m_messages))
        return false;
    // The canvas is copied in row by row at its own side and one bit a dot;
    // a template of another shape is refused rather than written past.
    if (!m_dib.Fits(size, size)) {
        m_dib.Free();
        m_messages.ShowMessage(QStringLiteral("このビットマップ ファイルは無効です。"));
        return false;
    }
    return true;
}

// The bitmap goes into the private work file made for it, which only the
// editor reads, and only after this returns; so it is written in place and
// not synced to disk (a sync here costs more than tracing the glyph). A file
// that could not be written whole is reported and the caller removes it.
bool CQuilleryDoc::WriteDibFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_messages.ShowMessage(OpenFailureText(path));
        return false;
    }
    return m_dib.WriteDib(file, &m_messages);
}
