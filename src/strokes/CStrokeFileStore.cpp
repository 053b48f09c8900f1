#include "strokes/CStrokeFileStore.h"

#include "app/IMessageBox.h"
#include "strokes/CStrokeFileFormat.h"
#include "strokes/CodePage932.h"
#include "strokes/IStrokeFileHost.h"
#include "strokes/PathHelpers.h"

#include <QFile>
#include <QSaveFile>

#include <cstring>

namespace {

// Signed little-endian reads; any short read or I/O error sets failed and
// yields 0 from then on.
class SignedReader
{
public:
    explicit SignedReader(QIODevice& device) : m_device(device) {}

    bool Failed() const { return m_failed; }

    bool ReadBytes(char* out, qint64 count)
    {
        if (m_failed || m_device.read(out, count) != count)
            m_failed = true;
        return !m_failed;
    }

    qint8 Byte()
    {
        char b = 0;
        return ReadBytes(&b, 1) ? static_cast<qint8>(b) : 0;
    }

    qint16 Word()
    {
        char w[2] = {0, 0};
        if (!ReadBytes(w, 2))
            return 0;
        return static_cast<qint16>(static_cast<quint8>(w[1]) << 8 | static_cast<quint8>(w[0]));
    }

private:
    QIODevice& m_device;
    bool m_failed = false;
};

QString Fill(const char* utf8, const QString& path)
{
    return QString::fromUtf8(utf8).arg(path);
}

int Scale(int v, int current, int stored)
{
    return static_cast<int>(static_cast<qint64>(v) * current / stored);
}

} // namespace

CStrokeFileStore::CStrokeFileStore(IStrokeFileHost& host, IMessageBox& messages)
    : m_host(host), m_messages(messages)
{
}

QString CStrokeFileStore::StrokeFilePath() const
{
    const quint16 unit = CharToUnicode(CharCode(m_host.CurrentChar()));
    QString name = QStringLiteral("U%1").arg(unit, 4, 16, QLatin1Char('0')).toUpper();
    if (m_host.IsVerticalChecked())
        name += QString::fromUtf8("縦");
    name += QStringLiteral(".stk");
    return AddTrailingBackslash(m_host.StrokeFolder()) + name;
}

bool CStrokeFileStore::EnsureFolder()
{
    const QString folder = m_host.StrokeFolder();
    if (DirectoryExists(folder))
        return true;
    if (!m_messages.AskYesNo(
            Fill("ストロークファイルの保存先フォルダ %1 が存在しません。作成しますか？", folder)))
        return false;
    if (!CreateDirectoryPath(folder)) {
        m_messages.ShowMessage(QString::fromUtf8(
            "フォルダの作成に失敗しました。エクスプローラから手動で作成してください。"));
        return false;
    }
    return true;
}

void CStrokeFileStore::SaveStrokeFile()
{
    if (!EnsureFolder())
        return;
    const QString path = StrokeFilePath();
    CStrokeFileFormat::Header header;
    header.charUnit = CharToUnicode(CharCode(m_host.CurrentChar()));
    header.vertical = m_host.IsVerticalChecked();
    header.width = m_host.BmpSize();
    header.height = m_host.BmpSize();
    const QByteArray bytes = CStrokeFileFormat::Encode(header, m_host.Strokes());

    // The new content goes to a temporary file in the same folder and is
    // renamed over the old file only once it is complete. Unbuffered, since
    // a buffered QSaveFile can commit a short file after a partial write.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_messages.ShowMessage(Fill("ファイル「%1」のオープンに失敗しました。", path));
        return;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        file.cancelWriting();
        m_messages.ShowMessage(Fill("ファイル「%1」の書き込みに失敗しました。", path));
    }
}

bool CStrokeFileStore::LoadStrokeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_messages.ShowMessage(Fill("ファイル「%1」のオープンに失敗しました。", path));
        return false;
    }
    return ReadStrokeFile(file, path);
}

bool CStrokeFileStore::ReadStrokeFile(QIODevice& device, const QString& path)
{
    SignedReader in(device);
    const auto readFailed = [&] {
        m_messages.ShowMessage(Fill("ファイル「%1」の読み込みに失敗しました。", path));
        return false;
    };

    char signature[4] = {0, 0, 0, 0};
    if (!in.ReadBytes(signature, 4) || std::memcmp(signature, CStrokeFileFormat::kSignature, 4) != 0) {
        m_messages.ShowMessage(Fill("ファイル「%1」はストロークファイルではありません", path));
        return false;
    }
    const qint16 version = in.Word();
    if (in.Failed())
        return readFailed();
    if (version > CStrokeFileFormat::kVersion) {
        m_messages.ShowMessage(Fill("ファイル「%1」は上位バージョンのQuilleryで作成されたファイルです。", path));
        return false;
    }
    if (version < CStrokeFileFormat::kVersion) {
        m_messages.ShowMessage(Fill("ファイル「%1」はこのバージョンでは読み込みできません。", path));
        return false;
    }

    const auto unit = static_cast<quint16>(in.Word());
    if (in.Failed())
        return readFailed();
    m_nLastUnit = unit;
    quint16 code = 0;
    const int length = UnicodeToChar(unit, code);
    m_host.SetCurrentChar(length == 0 ? QByteArray() : CharFromCode(code));

    const qint16 vertical = in.Word();
    if (in.Failed())
        return readFailed();
    m_host.SetVerticalCheck(vertical != 0);

    const int stored = in.Word();
    in.Word(); // the height repeats the width
    const int count = in.Word();
    if (in.Failed())
        return readFailed();
    if (stored <= 0) {
        m_messages.ShowMessage(Fill("ファイル「%1」のキャンバスの大きさが正しくありません。", path));
        return false;
    }

    const int current = m_host.BmpSize();
    const bool scale = stored != current;
    CPointAryAry2& strokes = m_host.Strokes();
    for (int s = 0; s < count; ++s) {
        CPointArray2 stroke;
        // A count of 0 or less is an empty stroke with no point fields.
        const int n = in.Word();
        int x = 0;
        int y = 0;
        if (n > 0)
            stroke.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n && !in.Failed(); ++i) {
            if (i == 0) {
                x = in.Word();
                y = in.Word();
            } else {
                // Each step starts from the previous stored value taken as a
                // signed word, as the writer computed it.
                const int dx = in.Byte();
                const int dy = in.Byte();
                x = static_cast<qint16>(x) + dx;
                y = static_cast<qint16>(y) + dy;
            }
            stroke.push_back(scale ? QPoint(Scale(x, current, stored), Scale(y, current, stored)) : QPoint(x, y));
        }
        if (in.Failed())
            return readFailed();
        strokes.push_back(std::move(stroke));
    }
    return true;
}
