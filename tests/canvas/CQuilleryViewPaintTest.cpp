#include "app/CMainFrame.h"
#include "app/CSettingsStore.h"
#include "canvas/CQuilleryView.h"
#include "canvas/CSampleFont.h"
#include "fonteditor/CGlyphGuide.h"
#include "res/CommandIds.h"
#include "support/FakeMessageBox.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace cmd;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kGrey = qRgb(128, 128, 128);
const QRgb kGridGrey = qRgb(192, 192, 192);
const QRgb kBlue = qRgb(0, 0, 255);

CViewSettings Settings(int side, bool sample, bool grid)
{
    CViewSettings settings;
    settings.m_nBmpSize = side;
    settings.m_bViewSample = sample;
    settings.m_bViewGrid = grid;
    return settings;
}

QImage Grab(CQuilleryView* view)
{
    return view->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int CountColour(const QImage& image, QRgb colour, QRect area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return count;
}

// A sample source with a known shape: a baseline stroke from the origin,
// and a record of the direction asked for.
class FakeSampleSource : public ISampleGlyphSource
{
public:
    explicit FakeSampleSource(bool* vertical = nullptr) : m_pVertical(vertical) {}

    CSampleGlyph Glyph(const QString&, const QString&, bool vertical) override
    {
        if (m_pVertical)
            *m_pVertical = vertical;
        CSampleGlyph glyph;
        glyph.hasOutlineMetrics = false;
        glyph.outline.moveTo(0, 0);
        glyph.outline.lineTo(1000, 0);
        return glyph;
    }

private:
    bool* m_pVertical;
};

class ViewPaintTest : public ::testing::Test
{
protected:
    std::unique_ptr<CMainFrame> Frame(const CViewSettings& settings)
    {
        auto frame = std::make_unique<CMainFrame>(nullptr, settings);
        frame->View()->SetMessageBox(&messages);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        return frame;
    }

    FakeMessageBox messages;
};

} // namespace

TEST_F(ViewPaintTest, ViewIs512WideWithTheCanvasAtItsTopLeft)
{
    struct Case
    {
        int side;
        QSize client;
    };
    for (const Case& c : {Case {512, {512, 512}}, Case {448, {512, 448}}, Case {256, {512, 282}}, Case {128, {512, 282}}}) {
        auto frame = Frame(Settings(c.side, false, false));
        CQuilleryView* view = frame->View();
        view->Model().Canvas().SetDot(0, 0, true);
        const QImage image = Grab(view);
        ASSERT_EQ(image.size(), c.client) << c.side;
        EXPECT_EQ(image.pixel(0, c.side - 1), kBlack) << c.side;
        EXPECT_EQ(image.pixel(c.side - 1, 0), kWhite) << c.side;
        EXPECT_EQ(CountColour(image, kWhite, QRect(0, 0, c.side, c.side)), c.side * c.side - 1) << c.side;
        const int grey = c.client.width() * c.client.height() - c.side * c.side;
        EXPECT_EQ(CountColour(image, kGrey, image.rect()), grey) << c.side;
        EXPECT_EQ(frame->size(), frame->sizeHint()) << c.side;
    }
}

TEST_F(ViewPaintTest, GridLinesAreMaskedOverPaperAndLeaveInkBlack)
{
    auto frame = Frame(Settings(512, false, true));
    CQuilleryView* view = frame->View();
    for (int x = 0; x < 512; ++x)
        view->Model().Canvas().SetDot(x, 256, true);
    const QImage image = Grab(view);

    // Lines at 128, 256 and 384 from the bottom and from the left.
    for (int a : {128, 256, 384}) {
        EXPECT_EQ(image.pixel(10, 511 - a), a == 256 ? kBlack : kGridGrey) << a;
        EXPECT_EQ(image.pixel(a, 10), kGridGrey) << a;
        EXPECT_EQ(image.pixel(10, 511 - a + 1), kWhite) << a;
        EXPECT_EQ(image.pixel(a + 1, 10), kWhite) << a;
    }
    EXPECT_EQ(CountColour(image, kGridGrey, image.rect()), 2 * 512 + 3 * (512 - 3));
}

TEST_F(ViewPaintTest, SampleIsABlueOutlineInsideTheCanvasAndGoesAwayWhenOff)
{
    auto frame = Frame(Settings(448, true, false));
    CQuilleryView* view = frame->View();
    const QByteArray bits = view->Model().Canvas().Bits();
    const int snapshots = view->Model().History().Count();

    QImage image = Grab(view);
    const int blue = CountColour(image, kBlue, image.rect());
    EXPECT_GT(blue, 200);
    EXPECT_EQ(CountColour(image, kBlue, QRect(0, 0, 448, 448)), blue);
    // Stroked, not filled: the outline is a thin line, far from covering the
    // glyph's area.
    EXPECT_LT(blue, 448 * 448 / 20);

    frame->Action(ID_VIEW_SAMPLE)->trigger();
    EXPECT_FALSE(frame->Action(ID_VIEW_SAMPLE)->isChecked());
    image = Grab(view);
    EXPECT_EQ(CountColour(image, kBlue, image.rect()), 0);
    frame->Action(ID_VIEW_GRID)->trigger();
    EXPECT_TRUE(frame->Action(ID_VIEW_GRID)->isChecked());
    frame->Action(ID_VIEW_SAMPLE)->trigger();
    EXPECT_TRUE(frame->Action(ID_VIEW_SAMPLE)->isChecked());
    EXPECT_EQ(view->Model().Canvas().Bits(), bits);
    EXPECT_EQ(view->Model().History().Count(), snapshots);

    if (qEnvironmentVariableIsSet("QUILLERY_SCREENSHOT")) {
        for (int y = 290; y < 302; ++y)
            view->Model().Canvas().FillSpan(y, 60, 380, true);
        Grab(view).save(qEnvironmentVariable("QUILLERY_SCREENSHOT"));
    }
}

TEST_F(ViewPaintTest, ChangingTheFaceRedrawsTheSample)
{
    CSampleFont fonts;
    const QString gothic = fonts.MatchedFile(QStringLiteral("IPAGothic"));
    const QString mincho = fonts.MatchedFile(QStringLiteral("IPAMincho"));
    if (gothic.isEmpty() || gothic == mincho)
        GTEST_SKIP() << "needs two distinct Japanese faces";
    auto frame = Frame(Settings(512, true, false));
    CQuilleryView* view = frame->View();
    view->SetFaceName(QStringLiteral("IPAGothic"));
    const QImage first = Grab(view);
    view->SetFaceName(QStringLiteral("IPAMincho"));
    EXPECT_NE(Grab(view), first);
}

TEST_F(ViewPaintTest, FontWithoutOutlineMetricsSitsOnThe144Per1024Baseline)
{
    auto frame = Frame(Settings(512, true, false));
    CQuilleryView* view = frame->View();
    view->SetSampleSource(std::make_unique<FakeSampleSource>());
    const QImage image = Grab(view);
    // 72 dots above the bottom edge; the stroke of 1000 units is 500 dots.
    EXPECT_EQ(image.pixel(0, 511 - 72), kBlue);
    EXPECT_EQ(image.pixel(250, 511 - 72), kBlue);
    EXPECT_EQ(CountColour(image, kBlue, image.rect()), CountColour(image, kBlue, QRect(0, 439, 512, 1)));
    EXPECT_GE(CountColour(image, kBlue, image.rect()), 499);
}

TEST_F(ViewPaintTest, VerticalSampleNeedsTheBoxAndAVerticalForm)
{
    bool vertical = false;
    auto frame = Frame(Settings(512, true, false));
    CQuilleryView* view = frame->View();
    view->SetSampleSource(std::make_unique<FakeSampleSource>(&vertical));
    view->SetChar(QStringLiteral("ー"));
    view->SetVerticalChecked(true);
    view->SetVerticalCharTest([](const QString&) { return false; });
    Grab(view);
    EXPECT_FALSE(vertical);
    view->SetVerticalCharTest([](const QString& ch) { return ch == QStringLiteral("ー"); });
    Grab(view);
    EXPECT_TRUE(vertical);
    view->SetChar(QStringLiteral("あ"));
    Grab(view);
    EXPECT_FALSE(vertical);
}

TEST_F(ViewPaintTest, RealVerticalFormDiffersFromTheHorizontalOne)
{
    auto frame = Frame(Settings(512, true, false));
    CQuilleryView* view = frame->View();
    view->SetChar(QStringLiteral("ー"));
    view->SetVerticalCharTest([](const QString&) { return true; });
    const QImage horizontal = Grab(view);
    view->SetVerticalChecked(true);
    const QImage vertical = Grab(view);
    EXPECT_NE(horizontal, vertical);
    // The long vowel mark runs across horizontally and down vertically.
    auto spread = [](const QImage& image, bool across) {
        int lo = 512, hi = -1;
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 512; ++x)
                if (image.pixel(x, y) == kBlue) {
                    lo = std::min(lo, across ? x : y);
                    hi = std::max(hi, across ? x : y);
                }
        return hi - lo;
    };
    EXPECT_GT(spread(horizontal, true), 3 * spread(horizontal, false));
    EXPECT_GT(spread(vertical, false), 3 * spread(vertical, true));
}

TEST_F(ViewPaintTest, CanvasSideThatDoesNotFitFallsBackAndIsStored)
{
    QTemporaryDir dir;
    const CSettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    auto frame = Frame(Settings(256, false, false));
    CQuilleryView* view = frame->View();
    view->SetSettingsStore(&store);
    view->Model().Canvas().SetDot(5, 5, true);
    view->SetCanvasSize(256);
    EXPECT_EQ(view->Model().Canvas().CountInk(), 1);

    view->SetAvailableArea([] { return QSize(2000, 2000); });
    view->SetCanvasSize(448);
    EXPECT_EQ(view->size(), QSize(512, 448));
    EXPECT_EQ(view->Model().Canvas().Width(), 448);
    EXPECT_EQ(view->Model().Canvas().CountInk(), 0);
    int32_t stored = 0;
    EXPECT_TRUE(store.ReadRegDword(QStringLiteral("Settings"), QStringLiteral("BmpSize"), stored));
    EXPECT_EQ(stored, 448);

    view->SetAvailableArea([] { return QSize(600, 500); });
    view->SetCanvasSize(512);
    EXPECT_EQ(messages.messages,
              QStringList {QStringLiteral("画面の解像度が低いため、指定されたキャンパスサイズにできません。")});
    EXPECT_EQ(view->Settings().m_nBmpSize, 448);
    EXPECT_EQ(view->Model().Canvas().Width(), 448);
    EXPECT_EQ(view->size(), QSize(512, 448));
    EXPECT_TRUE(store.ReadRegDword(QStringLiteral("Settings"), QStringLiteral("BmpSize"), stored));
    EXPECT_EQ(stored, 448);
}

TEST_F(ViewPaintTest, OffscreenSurfaceThatCannotBeMadeIsReported)
{
    auto frame = Frame(Settings(512, false, false));
    EXPECT_TRUE(frame->View()->OnCreate());
    EXPECT_FALSE(frame->View()->CreateOffscreen(100000, 100000));
    EXPECT_EQ(frame->View()->Offscreen().size(), QSize(512, 512));
}

TEST_F(ViewPaintTest, ClosingTheViewStoresTheSettingsOfTheRun)
{
    QTemporaryDir dir;
    const CSettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    store.WriteRegString(QStringLiteral("Settings"), QStringLiteral("FontFilePath"), QStringLiteral("/f/a.ttf"));
    {
        auto frame = Frame(Settings(512, true, false));
        frame->AttachSettings(&store);
        frame->View()->OnCommand(ID_TIP_USER);
        frame->View()->OnCommand(ID_VIEW_GRID);
        frame->View()->SetChar(QStringLiteral("い"));
        frame->View()->Model().PenTip().PenBits()[0] = 0x12;
        frame->close();
    }
    int32_t n = -1;
    EXPECT_TRUE(store.ReadRegDword(QStringLiteral("Settings"), QStringLiteral("ToolSize"), n));
    EXPECT_EQ(n, 4);
    EXPECT_TRUE(store.ReadRegDword(QStringLiteral("Settings"), QStringLiteral("ViewGrid"), n));
    EXPECT_EQ(n, 1);
    QString text;
    EXPECT_TRUE(store.ReadRegString(QStringLiteral("Settings"), QStringLiteral("Char"), text));
    EXPECT_EQ(text, QStringLiteral("い"));
    EXPECT_TRUE(store.ReadRegString(QStringLiteral("Settings"), QStringLiteral("FontFilePath"), text));
    EXPECT_EQ(text, QStringLiteral("/f/a.ttf"));
    QByteArray pen;
    EXPECT_TRUE(store.ReadRegBinary(QStringLiteral("Settings"), QStringLiteral("BmpPenData"), pen));
    ASSERT_EQ(pen.size(), 512);
    EXPECT_EQ(pen.at(0), 0x12);
}

// The glyph already in the font is laid faintly over paper, in the place the
// editor traced the canvas from; ink stays black and the canvas is untouched.
TEST_F(ViewPaintTest, GuideTintsThePaperItCoversAndNothingElse)
{
    auto frame = Frame(Settings(512, false, false));
    CQuilleryView* view = frame->View();
    // The lower left quarter of the em square: x 0..512, y -144..368.
    const auto guide = CGlyphGuide::FromEditor("1024 880 144 1024", "A 1024 M 0 -144 L 512 -144 L 512 368 L 0 368 Z");
    ASSERT_TRUE(guide.has_value());
    view->SetGuideSource([&guide] { return &*guide; });
    view->Model().Canvas().SetDot(100, 100, true);
    const QByteArray bits = view->Model().Canvas().Bits();

    const QImage image = Grab(view);
    const QRgb tint = image.pixel(50, 511 - 50);
    EXPECT_NE(tint, kWhite);
    EXPECT_GT(qRed(tint) + qGreen(tint) + qBlue(tint), 3 * 160);  // faint
    EXPECT_EQ(image.pixel(200, 511 - 200), tint);
    EXPECT_EQ(image.pixel(100, 511 - 100), kBlack);
    EXPECT_EQ(image.pixel(300, 511 - 50), kWhite);
    EXPECT_EQ(image.pixel(50, 511 - 300), kWhite);
    EXPECT_EQ(view->Model().Canvas().Bits(), bits);

    view->SetGuideSource(nullptr);
    EXPECT_EQ(Grab(view).pixel(50, 511 - 50), kWhite);
}
