// The preview's shaping and drawing on a font the real font editor wrote:
// the advances other programs will use, the vertical forms and the vertical
// metrics, and characters the font lacks.
#include "preview/CPreviewShaper.h"
#include "preview/CFontSnapshot.h"
#include "preview/CPreviewRenderer.h"

#include "FakeGlyphsmith.h"
#include "canvas/CCanvasBitmap.h"
#include "fonteditor/CFontEditorSession.h"
#include "fonteditor/CLocalAutomationSystem.h"
#include "support/BmpFile.h"
#include "support/FakeMessageBox.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

namespace {

// A 1-bit BMP of a canvas with a filled box, palette entry 0 black (ink).
void WriteBoxBmp(const QString& path, int side, int left, int right)
{
    CCanvasBitmap canvas(side, side);
    for (int y = side / 5; y < side * 4 / 5; ++y)
        canvas.FillSpan(y, left, right, true);
    WriteBmp(canvas, path);
}

// FreeType's own reading of the font, to check HarfBuzz's positions against.
class CFreeTypeFace {
public:
    explicit CFreeTypeFace(const QString& path)
    {
        FT_Init_FreeType(&m_library);
        if (FT_New_Face(m_library, QFile::encodeName(path).constData(), 0, &m_face) != 0)
            m_face = nullptr;
    }
    ~CFreeTypeFace()
    {
        if (m_face)
            FT_Done_Face(m_face);
        FT_Done_FreeType(m_library);
    }
    FT_Face operator->() const { return m_face; }
    unsigned Glyph(char32_t code) const { return FT_Get_Char_Index(m_face, code); }
    QByteArray Name(unsigned glyph) const
    {
        char name[64] = {};
        FT_Get_Glyph_Name(m_face, glyph, name, sizeof name);
        return name;
    }
    int HorizontalAdvance(unsigned glyph) const
    {
        FT_Load_Glyph(m_face, glyph, FT_LOAD_NO_SCALE);
        return int(m_face->glyph->metrics.horiAdvance);
    }
    int VerticalAdvance(unsigned glyph) const
    {
        FT_Load_Glyph(m_face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_VERTICAL_LAYOUT);
        return int(m_face->glyph->metrics.vertAdvance);
    }

private:
    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
};

class PreviewShapingTest : public ::testing::Test {
protected:
    // One font for the whole suite: あ and A drawn, 、 with its vertical form.
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(s_dir->path()));
        qputenv("QUILLERY_AUTOMATION_REGISTRY", QUILLERY_BUILD_DIR "/automation.json");
        CLocalAutomationSystem system;
        FakeMessageBox messages;
        FakeFontFileField field;
        CFontEditorSession session(system, messages, field);
        const QString bmp = s_dir->filePath(QStringLiteral("box.bmp"));
        for (auto [code, vertical] :
            { std::pair { 0x82A0, false }, { 0x41, false }, { 0x8141, false }, { 0x8141, true } }) {
            WriteBoxBmp(bmp, 128, vertical ? 80 : 16, vertical ? 112 : 48);
            ASSERT_TRUE(session.WriteGlyph(bmp, code, vertical)) << messages.messages.join('\n').toStdString();
        }
        s_font = s_dir->filePath(QStringLiteral("shaped.ttf"));
        ASSERT_TRUE(session.SaveFontAs(s_font));
        session.ReleaseAtExit(QString());
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    static QByteArray FontData()
    {
        QFile file(s_font);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static inline QTemporaryDir* s_dir = nullptr;
    static inline QString s_font;
};

TEST_F(PreviewShapingTest, HorizontalRunHasTheFontsGlyphsAndAdvances)
{
    const CPreviewShaper shaper(FontData());
    const CFreeTypeFace ft(s_font);
    ASSERT_TRUE(shaper.IsValid());
    const auto glyphs = shaper.Shape(QStringLiteral("あA、"), false);
    ASSERT_EQ(glyphs.size(), 3u);
    int x = 0;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        EXPECT_EQ(glyphs[i].glyph, ft.Glyph(U"あA、"[i]));
        EXPECT_EQ(glyphs[i].xAdvance, ft.HorizontalAdvance(glyphs[i].glyph));
        EXPECT_EQ(glyphs[i].yAdvance, 0);
        x += glyphs[i].xAdvance;
    }
    // A single-byte letter is as wide as its ink, full-width glyphs one em.
    EXPECT_GT(glyphs[1].xAdvance, 0);
    EXPECT_LT(glyphs[1].xAdvance, glyphs[0].xAdvance);
    EXPECT_EQ(x, 1024 + glyphs[1].xAdvance + 1024);
}

// Down the column, 、 becomes its vertical form through 'vert', and each
// glyph moves the pen by the font's vertical advance: vmtx when the font has
// one, else one em, as FreeType and HarfBuzz both take it then.
TEST_F(PreviewShapingTest, VerticalRunUsesVertAndVerticalAdvances)
{
    const CPreviewShaper shaper(FontData());
    const CFreeTypeFace ft(s_font);
    const auto glyphs = shaper.Shape(QStringLiteral("あ、"), true);
    ASSERT_EQ(glyphs.size(), 2u);
    EXPECT_EQ(glyphs[0].glyph, ft.Glyph(U'あ'));
    EXPECT_NE(glyphs[1].glyph, ft.Glyph(U'、'));
    EXPECT_TRUE(ft.Name(glyphs[1].glyph).endsWith(".vert")) << ft.Name(glyphs[1].glyph).constData();
    for (const auto& g : glyphs) {
        EXPECT_EQ(g.xAdvance, 0);
        const int expected = FT_HAS_VERTICAL(ft.operator->()) ? ft.VerticalAdvance(g.glyph) : ft->units_per_EM;
        EXPECT_EQ(-g.yAdvance, expected);
    }
    // The glyph hangs from the top of its cell, centred across the column.
    EXPECT_EQ(glyphs[0].xOffset, -ft.HorizontalAdvance(glyphs[0].glyph) / 2);
    EXPECT_LT(glyphs[0].yOffset, 0);
}

// A character the font lacks is its .notdef (drawn as a box when that is
// blank), or the sample face's glyph in light grey; the picture says how
// many there were either way.
TEST_F(PreviewShapingTest, MissingCharacterIsBoxOrBorrowedInGrey)
{
    const QString ipa = QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf");
    ASSERT_TRUE(QFile::exists(ipa));
    CPreviewRenderer::SJob job;
    job.fontPath = s_font;
    job.sampleFacePath = ipa;
    job.text = QStringLiteral("あ字");
    job.sizes = { 48 };
    job.extent = 400;
    auto countGrey = [](const QImage& image) {
        int grey = 0, black = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                grey += qRed(p) == 176 && qGreen(p) == 176;
                black += qRed(p) == 0;
            }
        return std::pair { grey, black };
    };

    const auto boxed = CPreviewRenderer::Render(job);
    ASSERT_FALSE(boxed.image.isNull());
    EXPECT_EQ(boxed.missing, 1);
    EXPECT_TRUE(boxed.message.contains("1")) << boxed.message.toStdString();
    EXPECT_EQ(countGrey(boxed.image).first, 0);

    job.sampleFaceForMissing = true;
    const auto borrowed = CPreviewRenderer::Render(job);
    EXPECT_EQ(borrowed.missing, 1);
    EXPECT_GT(countGrey(borrowed.image).first, 20);
    // The font's own glyph stays black in both.
    EXPECT_GT(countGrey(borrowed.image).second, 200);

    // Vertical: one column of two glyphs, taller than it is wide.
    job.vertical = true;
    const auto column = CPreviewRenderer::Render(job);
    EXPECT_EQ(column.image.height(), 400);
    EXPECT_LT(column.image.width(), 200);
}

// The copy comes over a second connection to the same editor, which sees the
// font the first one works on; the font keeps its own file.
TEST_F(PreviewShapingTest, CopyOverASecondConnectionSeesTheSameFont)
{
    CLocalAutomationSystem system;
    FakeMessageBox messages;
    FakeFontFileField field;
    field.text = s_dir->filePath(QStringLiteral("reopened.ttf"));
    QFile::copy(s_font, field.text);
    CFontEditorSession session(system, messages, field);
    ASSERT_TRUE(session.EnsureEditor() && session.OpenFontInEditor());
    CFontSnapshot snapshot(session, system, field);
    ASSERT_EQ(snapshot.Prepare().status, CFontSnapshot::EStatus::FromEditor);
    const CFontSnapshot::SResult copy = snapshot.Copy();
    if (copy.status == CFontSnapshot::EStatus::EditorLacksCopy) {
        // An editor without the copy member: asked once in the run.
        EXPECT_EQ(snapshot.Prepare().status, CFontSnapshot::EStatus::EditorLacksCopy);
    } else {
        ASSERT_EQ(copy.status, CFontSnapshot::EStatus::Ready) << copy.message.toStdString();
        QFile file(copy.path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const CPreviewShaper shaper(file.readAll());
        EXPECT_TRUE(shaper.HasChar(U'あ') && shaper.HasChar(U'A'));
        EXPECT_NE(QFileInfo(copy.path).absolutePath(), s_dir->path());
    }
    EXPECT_EQ(session.EditorFont().GetFilePath(), field.text);
    EXPECT_TRUE(session.EditorApp()->IsConnected());
    EXPECT_TRUE(messages.messages.isEmpty());
    session.ReleaseAtExit(QString());
}

} // namespace
