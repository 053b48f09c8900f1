#include "app/CQuilleryDoc.h"

#include "app/IMessageBox.h"
#include "fonteditor/FileErrorText.h"
#include "res/DataFolder.h"

#include <QFile>
#include <QSaveFile>

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

// The file appears only once it is complete, so the editor never imports a
// half-written bitmap.
bool CQuilleryDoc::WriteDibFile(const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_messages.ShowMessage(OpenFailureText(path));
        return false;
    }
    if (!m_dib.WriteDib(file, &m_messages)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_messages.ShowStop(QStringLiteral("ファイル%1の書き込みに失敗しました。\n原因：%2")
                                .arg(path, FileErrorText(FileError::CauseOf(file))));
        return false;
    }
    return true;
}
