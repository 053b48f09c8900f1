#include "app/COptionRules.h"

#include "strokes/CodePage932.h"
#include "res/NumberText.h"

#include <array>

namespace {

constexpr std::array<int, 6> kSizes = {128, 160, 192, 256, 448, 512};

QChar FoldAscii(QChar c)
{
    return c >= QLatin1Char('A') && c <= QLatin1Char('Z') ? QChar(c.unicode() + 32) : c;
}

} // namespace

int COptionRules::SizeIndexFor(int bmpSize)
{
    for (size_t i = 0; i < kSizes.size(); ++i)
        if (kSizes[i] == bmpSize)
            return static_cast<int>(i);
    return -1;
}

std::optional<int> COptionRules::SizeForIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(kSizes.size()))
        return std::nullopt;
    return kSizes[static_cast<size_t>(index)];
}

COptionRules::GridResult COptionRules::ParseGridSize(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        return {0, QStringLiteral("整数を入力してください。")};
    if (value < kMinGrid || value > kMaxGrid)
        return {0, QStringLiteral("%1 から %2 までの整数を入力してください。").arg(kMinGrid).arg(kMaxGrid)};
    return {value, QString()};
}

bool COptionRules::FolderFits(const QString& folder)
{
    return Cp932ByteLength(folder) <= kMaxFolderBytes;
}

QString COptionRules::CheckFolderLength(const QString& folder)
{
    if (FolderFits(folder))
        return QString();
    return QStringLiteral("%1 文字以内で入力してください。").arg(NumberText(kMaxFolderBytes));
}

QString COptionRules::MissingFolderMessage()
{
    return QStringLiteral("ストロークファイルの保存先を指定してください。");
}

bool COptionRules::SameFolderIgnoringCase(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

COptionRules::Changes COptionRules::Compare(const COptionValues& before, const COptionValues& after)
{
    Changes changes;
    changes.bmpSize = before.bmpSize != after.bmpSize;
    changes.doAndNext = before.doAndNext != after.doAndNext;
    changes.gridSize = before.gridSize != after.gridSize;
    changes.writeStrokeFile = before.writeStrokeFile != after.writeStrokeFile;
    changes.strkFolderPath = !SameFolderIgnoringCase(before.strkFolderPath, after.strkFolderPath);
    changes.nextMissing = before.nextMissing != after.nextMissing;
    return changes;
}
