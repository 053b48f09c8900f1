#pragma once

#include <QFileDevice>
#include <QString>

// Cause codes of file failures and the reason texts shown for them.
namespace FileError {

inline constexpr int kNone = 0;
inline constexpr int kGeneric = 1;
inline constexpr int kFileNotFound = 2;
inline constexpr int kBadPath = 3;
inline constexpr int kTooManyOpenFiles = 4;
inline constexpr int kAccessDenied = 5;
inline constexpr int kInvalidFile = 6;
inline constexpr int kRemoveCurrentDir = 7;
inline constexpr int kDirectoryFull = 8;
inline constexpr int kBadSeek = 9;
inline constexpr int kHardIO = 10;
inline constexpr int kSharingViolation = 11;
inline constexpr int kLockViolation = 12;
inline constexpr int kDiskFull = 13;
inline constexpr int kEndOfFile = 14;

// The cause that a failed Qt file operation stands for.
int CauseOf(const QFileDevice& file);

} // namespace FileError

QString FileErrorText(int cause);
