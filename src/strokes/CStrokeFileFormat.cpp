#include "strokes/CStrokeFileFormat.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kMinStep = -128;
constexpr int kMaxStep = 127;

QPoint ClampToWord(QPoint p)
{
    return {std::clamp(p.x(), -32768, 32767), std::clamp(p.y(), -32768, 32767)};
}

bool StepFits(int d)
{
    return d >= kMinStep && d <= kMaxStep;
}

// Appends p to the stroke, with evenly spaced points before it when the step
// from the stroke's last point does not fit a signed byte.
void AppendWithSteps(CPointArray2& stroke, QPoint p)
{
    if (!stroke.empty()) {
        const QPoint q = stroke.back();
        const int dx = p.x() - q.x();
        const int dy = p.y() - q.y();
        if (!StepFits(dx) || !StepFits(dy)) {
            const int pieces = (std::max(std::abs(dx), std::abs(dy)) + kMaxStep - 1) / kMaxStep;
            for (int j = 1; j < pieces; ++j)
                stroke.push_back({q.x() + dx * j / pieces, q.y() + dy * j / pieces});
        }
    }
    stroke.push_back(p);
}

void AppendWord(QByteArray& out, int value)
{
    const auto word = static_cast<quint16>(value & 0xFFFF);
    out.append(static_cast<char>(word & 0xFF));
    out.append(static_cast<char>(word >> 8));
}

} // namespace

CPointAryAry2 CStrokeFileFormat::Storable(const CPointAryAry2& strokes)
{
    CPointAryAry2 result;
    for (const CPointArray2& stroke : strokes) {
        if (stroke.empty())
            continue;
        CPointArray2 dense;
        dense.reserve(stroke.size());
        for (const QPoint& p : stroke)
            AppendWithSteps(dense, ClampToWord(p));
        for (size_t start = 0;;) {
            const size_t end = std::min(dense.size(), start + kMaxCount);
            result.emplace_back(dense.begin() + static_cast<std::ptrdiff_t>(start),
                                dense.begin() + static_cast<std::ptrdiff_t>(end));
            if (end == dense.size())
                break;
            start = end - 1;
        }
    }
    if (result.size() > static_cast<size_t>(kMaxCount))
        result.resize(kMaxCount);
    return result;
}

QByteArray CStrokeFileFormat::Encode(const Header& header, const CPointAryAry2& strokes)
{
    const CPointAryAry2 storable = Storable(strokes);
    QByteArray out;
    out.append(kSignature, 4);
    AppendWord(out, kVersion);
    AppendWord(out, header.charUnit);
    AppendWord(out, header.vertical ? 1 : 0);
    AppendWord(out, header.width);
    AppendWord(out, header.height);
    AppendWord(out, static_cast<int>(storable.size()));
    for (const CPointArray2& stroke : storable) {
        AppendWord(out, static_cast<int>(stroke.size()));
        AppendWord(out, stroke.front().x());
        AppendWord(out, stroke.front().y());
        for (size_t i = 1; i < stroke.size(); ++i) {
            out.append(static_cast<char>((stroke[i].x() - stroke[i - 1].x()) & 0xFF));
            out.append(static_cast<char>((stroke[i].y() - stroke[i - 1].y()) & 0xFF));
        }
    }
    return out;
}
