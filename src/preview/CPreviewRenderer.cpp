#include "preview/CPreviewRenderer.h"

#include "preview/CPreviewShaper.h"
#include "res/NumberText.h"

#include <QFile>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = 12;
constexpr int kLabelHeight = 16;
// A pasted book would make a picture larger than memory allows; the specimen
// stops at this length.
constexpr double kMaxLength = 20000;
const QRgb kInk = qRgb(0, 0, 0);
const QRgb kBorrowedInk = qRgb(176, 176, 176);
const QColor kLabelColour(110, 110, 110);

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One glyph of the text at one size, in pixels: its advance along the line
// and its origin relative to the pen. A glyph without a face is a space the
// font lacks; a box is the font's .notdef when that has no outline of its
// own.
struct SPlaced {
    const CPreviewShaper* face = nullptr;
    unsigned glyph = 0;
    double advance = 0;
    double dx = 0;
    double dy = 0;
    bool borrowed = false;
    bool box = false;
};

struct SDraw {
    SPlaced placed;
    int size = 0;
    QPointF origin; // the glyph origin on the picture, y downward
    QRectF boxRect;
};

struct SLabel {
    QPoint at;
    QString text;
};

bool IsSpace(char32_t code)
{
    return code == U' ' || code == U'\u3000' || code == U'\t';
}

class CLayout {
public:
    CLayout(const CPreviewShaper& own, const CPreviewShaper* borrowed, bool vertical)
        : m_own(own)
        , m_borrowed(borrowed)
        , m_bVertical(vertical)
    {
    }

    int missing = 0;

    // The text of one paragraph at one size, shaped run by run: the font's
    // own glyphs, and when a face to borrow from is given, that face's
    // glyphs for the characters the font lacks.
    std::vector<SPlaced> Paragraph(const QString& text, int size)
    {
        std::vector<SPlaced> placed;
        int runStart = 0;
        int runKind = -1; // 0 own, 1 borrowed, 2 a space the font lacks
        auto flush = [&](int end) {
            if (end > runStart)
                AddRun(text.mid(runStart, end - runStart), runKind, size, placed);
            runStart = end;
        };
        for (int i = 0; i < text.size();) {
            const char32_t code = text.at(i).isHighSurrogate() && i + 1 < text.size()
                ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
                : char32_t(text.at(i).unicode());
            const int units = code > 0xFFFF ? 2 : 1;
            int kind = 0;
            if (!m_own.HasChar(code)) {
                if (IsSpace(code)) {
                    kind = 2;
                } else {
                    kind = m_borrowed ? 1 : 0;
                    ++missing;
                }
            }
            if (kind != runKind) {
                flush(i);
                runKind = kind;
            }
            i += units;
        }
        flush(int(text.size()));
        return placed;
    }

private:
    void AddRun(const QString& run, int kind, int size, std::vector<SPlaced>& placed) const
    {
        if (kind == 2) {
            for (QChar ch : run)
                placed.push_back({ nullptr, 0, ch == QChar(0x3000) ? double(size) : size / 2.0, 0, 0, false, false });
            return;
        }
        const CPreviewShaper& face = kind == 1 ? *m_borrowed : m_own;
        const double scale = double(size) / face.UnitsPerEm();
        for (const auto& g : face.Shape(run, m_bVertical)) {
            SPlaced p { &face, g.glyph, (m_bVertical ? -g.yAdvance : g.xAdvance) * scale, g.xOffset * scale,
                g.yOffset * scale, kind == 1, false };
            p.box = kind == 0 && g.glyph == 0 && !face.HasOutline(0);
            placed.push_back(p);
        }
    }

    const CPreviewShaper& m_own;
    const CPreviewShaper* m_borrowed;
    bool m_bVertical;
};

void Composite(QImage& target, const CPreviewShaper::SBitmap& bitmap, QPoint at, QRgb colour)
{
    const QImage& c = bitmap.coverage;
    for (int y = 0; y < c.height(); ++y) {
        const int ty = at.y() + y;
        if (ty < 0 || ty >= target.height())
            continue;
        const uchar* src = c.constScanLine(y);
        auto* dst = reinterpret_cast<QRgb*>(target.scanLine(ty));
        for (int x = 0; x < c.width(); ++x) {
            const int tx = at.x() + x;
            const int a = src[x];
            if (a == 0 || tx < 0 || tx >= target.width())
                continue;
            const QRgb d = dst[tx];
            auto mix = [a](int from, int to) { return (from * (255 - a) + to * a + 127) / 255; };
            dst[tx] = qRgb(mix(qRed(d), qRed(colour)), mix(qGreen(d), qGreen(colour)), mix(qBlue(d), qBlue(colour)));
        }
    }
}

} // namespace

CPreviewRenderer::SPicture CPreviewRenderer::Render(const SJob& job)
{
    SPicture picture;
    const CPreviewShaper own(ReadAll(job.fontPath));
    if (!own.IsValid()) {
        picture.message = QStringLiteral("フォント%1を読めません。").arg(job.fontPath);
        return picture;
    }
    std::unique_ptr<CPreviewShaper> borrowed;
    if (job.sampleFaceForMissing && !job.sampleFacePath.isEmpty()) {
        borrowed = std::make_unique<CPreviewShaper>(ReadAll(job.sampleFacePath));
        if (!borrowed->IsValid())
            borrowed.reset();
    }
    CLayout layout(own, borrowed.get(), job.vertical);
    const QStringList paragraphs = QString(job.text).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));

    std::vector<SDraw> draws;
    std::vector<SLabel> labels;
    const double ascent = double(own.Ascender()) / own.UnitsPerEm();
    // Along the line (x horizontally, y vertically) and across it, in the
    // order the blocks come: down the page, or leftward from the right.
    double across = kMargin;
    const double room = std::max(job.extent - 2 * kMargin - (job.vertical ? kLabelHeight : 0), 40);
    bool cut = false;
    for (int size : job.sizes) {
        if (across > kMaxLength) {
            cut = true;
            break;
        }
        layout.missing = 0;
        const double lineStep = std::ceil(size * 1.3);
        labels.push_back({ QPoint(int(across), kMargin), QStringLiteral("%1 px").arg(size) });
        double line = across + (job.vertical ? 0 : kLabelHeight);
        for (const QString& paragraph : paragraphs) {
            double pen = 0;
            if (line > kMaxLength) {
                cut = true;
                break;
            }
            for (const SPlaced& p : layout.Paragraph(paragraph, size)) {
                if (pen > 0 && pen + p.advance > room) {
                    line += lineStep;
                    pen = 0;
                }
                if (line > kMaxLength)
                    break;
                SDraw d { p, size, {}, {} };
                if (job.vertical) {
                    // Columns are numbered from the right; positions are
                    // mirrored once the width is known.
                    const double centre = line + lineStep / 2;
                    const double top = kMargin + kLabelHeight + pen;
                    d.origin = QPointF(centre, top - p.dy);
                    d.boxRect = QRectF(centre - size * 0.4, top + p.advance * 0.1, size * 0.8, p.advance * 0.8);
                } else {
                    const double baseline = line + size * ascent;
                    d.origin = QPointF(kMargin + pen, baseline - p.dy);
                    d.boxRect = QRectF(
                        kMargin + pen + p.advance * 0.1, baseline - size * ascent * 0.9, p.advance * 0.8, size * 0.9);
                }
                draws.push_back(d);
                pen += p.advance;
            }
            line += lineStep;
        }
        across = line + (job.vertical ? size * 0.5 : size * 0.4);
    }
    picture.missing = layout.missing;
    if (layout.missing > 0 && !borrowed)
        picture.message = job.sampleFaceForMissing
            ? QStringLiteral("このフォントにない文字が %1 文字あります（サンプルの書体を読めません）。")
                  .arg(NumberText(layout.missing))
            : QStringLiteral("このフォントにない文字が %1 文字あります。").arg(NumberText(layout.missing));
    else if (layout.missing > 0)
        picture.message
            = QStringLiteral("このフォントにない %1 文字はサンプルの書体で薄く表示しています。").arg(NumberText(layout.missing));

    if (cut)
        picture.message = QStringLiteral("文章が長いため、途中までを表示しています。") + picture.message;
    const int length = int(std::ceil(std::min(across, kMaxLength + 200))) + kMargin;
    const QSize size = job.vertical ? QSize(length, job.extent) : QSize(job.extent, length);
    picture.image = QImage(size, QImage::Format_RGB32);
    picture.image.fill(Qt::white);
    auto mirror = [&](double x) { return job.vertical ? size.width() - x : x; };
    QPainter painter(&picture.image);
    painter.setPen(QPen(QColor(kInk), 1));
    for (SDraw& d : draws) {
        d.origin.setX(mirror(d.origin.x()) + d.placed.dx);
        if (job.vertical)
            d.boxRect.moveLeft(mirror(d.boxRect.right()));
        if (d.placed.box)
            painter.drawRect(d.boxRect);
    }
    painter.setPen(kLabelColour);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    for (const SLabel& label : labels) {
        const int width = painter.fontMetrics().horizontalAdvance(label.text);
        // Horizontally a label heads its block at the left; vertically it
        // heads its block of columns at the right.
        const QPoint at
            = job.vertical ? QPoint(int(mirror(label.at.x())) - width, label.at.y()) : QPoint(kMargin, label.at.x());
        painter.drawText(QRect(at, QSize(width + 2, kLabelHeight)), Qt::AlignLeft | Qt::AlignTop, label.text);
    }
    painter.end();
    // Glyphs go straight into the pixels, ink over paper.
    for (const SDraw& d : draws) {
        if (!d.placed.face || d.placed.box)
            continue;
        const auto bitmap = d.placed.face->Render(d.placed.glyph, d.size);
        if (bitmap.coverage.isNull())
            continue;
        const QPoint at(int(std::lround(d.origin.x())) + bitmap.left, int(std::lround(d.origin.y())) - bitmap.top);
        Composite(picture.image, bitmap, at, d.placed.borrowed ? kBorrowedInk : kInk);
    }
    return picture;
}
