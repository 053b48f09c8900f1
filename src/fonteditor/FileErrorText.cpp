#include "fonteditor/FileErrorText.h"

#include <QFileInfo>


int FileError::CauseOf(const QFileDevice& file)
{
    switch (file.error()) {
    case QFileDevice::NoError: return kNone;
    case QFileDevice::OpenError:
        return QFileInfo::exists(file.fileName()) ? kAccessDenied : kFileNotFound;
    case QFileDevice::PermissionsError: return kAccessDenied;
    case QFileDevice::PositionError: return kBadSeek;
    case QFileDevice::ResourceError: return kTooManyOpenFiles;
    case QFileDevice::ReadError:
    case QFileDevice::WriteError: return kHardIO;
    default: return kGeneric;
    }
}

QString FileErrorText(int cause)
{
    switch (cause) {
    case FileError::kNone: return QStringLiteral("エラーなし");
    case FileError::kFileNotFound: return QStringLiteral("ファイルが見つからない");
    case FileError::kBadPath: return QStringLiteral("不正パス");
    case FileError::kTooManyOpenFiles: return QStringLiteral("オープン ファイル数超過");
    case FileError::kAccessDenied: return QStringLiteral("ファイル アクセス禁止");
    case FileError::kInvalidFile: return QStringLiteral("不正ファイル ハンドル使用");
    case FileError::kRemoveCurrentDir: return QStringLiteral("作業中のカレント ディレクトリの削除不可");
    case FileError::kDirectoryFull: return QStringLiteral("ディレクトリ フル");
    case FileError::kBadSeek: return QStringLiteral("ファイル ポインタ設定エラー");
    case FileError::kHardIO: return QStringLiteral("ハードウェア エラー");
    case FileError::kSharingViolation: return QStringLiteral("他のプログラムで使用中");
    case FileError::kLockViolation: return QStringLiteral("ロック済み領域のロック要求");
    case FileError::kDiskFull: return QStringLiteral("ディスクの空き容量が足りない");
    case FileError::kEndOfFile: return QStringLiteral("ファイルの終わりに到達");
    default: return QStringLiteral("未定義エラー");
    }
}
