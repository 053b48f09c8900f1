// Runs the real font editor (the program's server in Debian's Python) through
// the registration in the build folder, imports drawn canvases and checks the
// saved .ttf with fontTools and FreeType.
#include "fonteditor/CDispatchException.h"
#include "fonteditor/CFontEditorSession.h"
#include "fonteditor/CGlyphOutline.h"
#include "fonteditor/CLocalAutomationSystem.h"

#include "FakeGlyphsmith.h"
#include "canvas/CCanvasBitmap.h"
#include "support/BmpFile.h"
#include "support/FakeMessageBox.h"
#include "support/FileSizeLimit.h"
#include "support/UnwritableFolder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <fcntl.h>
#include <ft2build.h>
#include <sys/file.h>
#include <unistd.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

namespace {

struct SPointF {
    double x, y;
};

// Dots within the tip's radius of any point along the stroke become ink.
void DrawStroke(CCanvasBitmap& canvas, const std::vector<SPointF>& points, double radius)
{
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        const double length = std::hypot(points[i + 1].x - points[i].x, points[i + 1].y - points[i].y);
        const int steps = std::max(1, static_cast<int>(length));
        for (int s = 0; s <= steps; ++s) {
            const double t = static_cast<double>(s) / steps;
            const double cx = points[i].x + t * (points[i + 1].x - points[i].x);
            const double cy = points[i].y + t * (points[i + 1].y - points[i].y);
            for (int y = static_cast<int>(cy - radius); y <= static_cast<int>(cy + radius) + 1; ++y) {
                const double dy = y - cy;
                if (dy * dy > radius * radius)
                    continue;
                const double half = std::sqrt(radius * radius - dy * dy);
                canvas.FillSpan(
                    y, static_cast<int>(std::ceil(cx - half)), static_cast<int>(std::floor(cx + half)), true);
            }
        }
    }
}

std::vector<SPointF> Curve(double scale, const std::function<SPointF(double)>& at)
{
    std::vector<SPointF> points;
    for (int i = 0; i <= 60; ++i) {
        const SPointF p = at(i / 60.0);
        points.push_back({ p.x * scale, p.y * scale });
    }
    return points;
}

// Something like a handwritten character: several strokes, curves, crossings
// and a loop, drawn on a unit square scaled to the canvas.
void DrawHandwriting(CCanvasBitmap& canvas, double tipDots)
{
    const double s = canvas.Width();
    const double r = tipDots / 2;
    DrawStroke(canvas, Curve(s, [](double t) { return SPointF { 0.15 + 0.7 * t, 0.72 + 0.05 * std::sin(t * 3) }; }), r);
    DrawStroke(canvas, Curve(s, [](double t) { return SPointF { 0.45 + 0.05 * std::sin(t * 5), 0.9 - 0.75 * t }; }), r);
    DrawStroke(canvas,
        Curve(s,
            [](double t) {
                const double a = t * 5.5;
                return SPointF { 0.5 + 0.28 * std::cos(a), 0.38 + 0.22 * std::sin(a) * (1 - 0.3 * t) };
            }),
        r);
    DrawStroke(canvas, Curve(s, [](double t) { return SPointF { 0.2 + 0.6 * t, 0.15 + 0.6 * t * t }; }), r);
}

// The glyph rendered by FreeType at one pixel per canvas dot, on the canvas
// grid (the em square spans the canvas, baseline 144/1024 above its bottom).
CCanvasBitmap Render(const QString& ttf, char32_t code, int size)
{
    CCanvasBitmap out(size, size);
    FT_Library library;
    FT_Face face;
    EXPECT_EQ(FT_Init_FreeType(&library), 0);
    EXPECT_EQ(FT_New_Face(library, ttf.toLocal8Bit().constData(), 0, &face), 0);
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
    EXPECT_EQ(FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_NO_HINTING), 0);
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const int bottom = 144 * size / 1024;
    for (int row = 0; row < static_cast<int>(bitmap.rows); ++row)
        for (int col = 0; col < static_cast<int>(bitmap.width); ++col)
            if (bitmap.buffer[row * bitmap.pitch + col] >= 128)
                out.SetDot(face->glyph->bitmap_left + col, face->glyph->bitmap_top - row - 1 + bottom, true);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return out;
}

double InkIntersectionOverUnion(const CCanvasBitmap& a, const CCanvasBitmap& b)
{
    int both = 0, either = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            both += a.IsInk(x, y) && b.IsInk(x, y);
            either += a.IsInk(x, y) || b.IsInk(x, y);
        }
    return either ? static_cast<double>(both) / either : 1.0;
}

QJsonArray Box(const QJsonObject& font, int unicode)
{
    const QString glyph = font.value("cmap").toObject().value(QString::number(unicode)).toString();
    return font.value("boxes").toObject().value(glyph).toArray();
}

class GlyphsmithServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_runtime.isValid() && m_out.isValid() && m_data.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        // Journals of fonts without a file go here, not to the user's.
        qputenv("XDG_DATA_HOME", m_data.path().toLocal8Bit());
        qputenv("QUILLERY_AUTOMATION_REGISTRY", QUILLERY_BUILD_DIR "/automation.json");
        m_system = std::make_unique<CLocalAutomationSystem>();
        m_session = std::make_unique<CFontEditorSession>(*m_system, m_messages, m_field);
    }
    void TearDown() override { m_session.reset(); }

    // A font file in the output folder for the field to name; the editor is
    // told yes when it asks to make it.
    QString NewFontFile(const char* name)
    {
        const QString ttf = m_out.filePath(name);
        m_field.text = ttf;
        m_messages.answers = { true };
        return ttf;
    }
    static CCanvasBitmap Handwriting(int side)
    {
        CCanvasBitmap drawing(side, side);
        DrawHandwriting(drawing, 20);
        return drawing;
    }
    bool Import(const CCanvasBitmap& canvas, qint32 code, bool vertical)
    {
        const QString bmp = m_out.filePath(QStringLiteral("QL%1.tmp").arg(m_nBmps++));
        WriteBmp(canvas, bmp);
        const bool written = m_session->WriteGlyph(bmp, code, vertical);
        EXPECT_FALSE(QFile::exists(bmp));
        return written;
    }
    QJsonObject Check(const QString& ttf)
    {
        QProcess python;
        python.start("/usr/bin/python3", { CHECK_FONT_SCRIPT, ttf });
        EXPECT_TRUE(python.waitForFinished(60'000));
        EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().constData();
        const QJsonObject font = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
        // Whatever else a test checks, every font written is fit for use.
        for (const char* key : { "warnings", "problems" })
            EXPECT_TRUE(font.value(key).toArray().isEmpty())
                << ttf.toStdString() << ": "
                << QJsonDocument(font.value(key).toArray()).toJson(QJsonDocument::Compact).constData();
        return font;
    }
    void SaveAndRelease() { m_session->ReleaseAtExit(QString()); }
    // Starts an editor of this test's own, which the session attaches to.
    void StartEditor(QProcess& editor)
    {
        editor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        StartServer(editor, CLocalAutomationSystem::SocketPath(CFontEditorSession::kProgId));
        for (int tries = 0; tries < 300 && !m_system->GetActiveObject(CFontEditorSession::kProgId); ++tries)
            QThread::msleep(50);
    }
    static void StartServer(QProcess& editor, const QString& socket)
    {
        editor.start("/usr/bin/python3", { QUILLERY_BUILD_DIR "/editor/glyphsmith_server.py", "--socket", socket });
    }
    // The journals of the fonts with a file (there is one at most in a test).
    QString FileJournal() const
    {
        const QDir folder(m_data.filePath("Orvane/Quillery/journal"));
        const QStringList found = folder.entryList({ "f-*.journal" }, QDir::Files);
        return found.size() == 1 ? folder.filePath(found[0]) : QString();
    }
    // The fonts the editor kept aside instead of replaying them.
    QStringList RecoveryFonts() const
    {
        const QDir folder(m_data.filePath("Orvane/Quillery/recovery"));
        QStringList paths;
        for (const QString& name : folder.entryList({ "*.ttf" }, QDir::Files))
            paths << folder.filePath(name);
        return paths;
    }
    // The editor saves and ends a moment after its socket is gone; its end
    // shows as its journals being free (or gone).
    void WaitForEditorEnd(const QString& journal)
    {
        for (int tries = 0; tries < 400 && QFile::exists(journal) && !JournalFree(journal); ++tries)
            QThread::msleep(50);
    }
    static bool JournalFree(const QString& path)
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return true;
        const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        ::close(fd);
        return free;
    }
    QString NewFontJournal() const
    {
        const QDir folder(m_data.filePath("Orvane/Quillery/journal"));
        const QStringList found = folder.entryList({ "new-*.journal" }, QDir::Files);
        return found.size() == 1 ? folder.filePath(found[0]) : QString();
    }
    void WaitForSocketGone()
    {
        const QString socket = CLocalAutomationSystem::SocketPath(CFontEditorSession::kProgId);
        for (int tries = 0; tries < 400 && QFile::exists(socket); ++tries)
            QThread::msleep(50);
        ASSERT_FALSE(QFile::exists(socket));
    }

    QTemporaryDir m_runtime;
    QTemporaryDir m_out;
    QTemporaryDir m_data;
    int m_nBmps = 0;
    FakeMessageBox m_messages;
    FakeFontFileField m_field;
    std::unique_ptr<CLocalAutomationSystem> m_system;
    std::unique_ptr<CFontEditorSession> m_session;
};

TEST_F(GlyphsmithServerTest, GlyphsGoIntoValidFontSavedAtExit)
{
    const QString ttf = m_out.filePath("hand.ttf");
    m_field.text = ttf;
    m_messages.answers = { true };
    CCanvasBitmap drawing(512, 512);
    DrawHandwriting(drawing, 30);
    EXPECT_TRUE(Import(drawing, 0x82A0, false)); // あ
    EXPECT_TRUE(Import(drawing, 0x41, false)); // A, half width
    EXPECT_TRUE(Import(drawing, 0x8141, false)); // 、
    EXPECT_TRUE(Import(drawing, 0x8141, true)); // and its vertical form
    EXPECT_TRUE(Import(CCanvasBitmap(512, 512), 0x82A2, false)); // い left empty on purpose
    EXPECT_FALSE(Import(drawing, 0x817F, false)); // no character there
    EXPECT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages.value(0).startsWith("エラー:2006\n"));
    // Characters only passed over, across and down, leave nothing behind.
    m_session->EditorFont().SelectGlyph(0, 0x82A4, false); // う
    m_session->EditorFont().SelectGlyph(0, 0x8142, true); // 。
    EXPECT_TRUE(m_session->QueryClose());
    EXPECT_EQ(m_messages.questions.size(), 1); // only the missing-file question
    EXPECT_EQ(m_session->ReleaseAtExit(QString()), ttf);

    const QJsonObject font = Check(ttf);
    const QJsonObject cmap = font.value("cmap").toObject();
    const QJsonObject advances = font.value("advances").toObject();
    const QString a = cmap.value(QString::number(0x3042)).toString();
    const QString latinA = cmap.value(QString::number(0x41)).toString();
    const QString comma = cmap.value(QString::number(0x3001)).toString();
    const QString i = cmap.value(QString::number(0x3044)).toString();
    ASSERT_FALSE(a.isEmpty() || latinA.isEmpty() || comma.isEmpty() || i.isEmpty());
    // The four characters, and the spaces every font of ours has.
    EXPECT_EQ(cmap.size() - cmap.contains("0"), 7) << QJsonDocument(cmap).toJson(QJsonDocument::Compact).constData();
    for (int space : { 0x20, 0xA0, 0x3000 })
        EXPECT_TRUE(cmap.contains(QString::number(space))) << space;
    EXPECT_FALSE(cmap.contains(QString::number(0x3046)));
    EXPECT_FALSE(cmap.contains(QString::number(0x3002)));
    EXPECT_EQ(advances.value(a).toInt(), 1024);
    // A single-byte glyph as wide as its ink and a sixteenth of the em either side.
    const QJsonArray boxA = Box(font, 0x41);
    EXPECT_EQ(advances.value(latinA).toInt(), boxA.at(2).toInt() - boxA.at(0).toInt() + 2 * 64);
    EXPECT_EQ(boxA.at(0).toInt(), 64);
    EXPECT_EQ(advances.value(i).toInt(), 1024);
    EXPECT_FALSE(font.value("boxes").toObject().contains(i));
    const QJsonObject vert = font.value("vert").toObject();
    EXPECT_EQ(vert.keys(), QStringList { comma });
    EXPECT_EQ(advances.value(vert.value(comma).toString()).toInt(), 1024);
    EXPECT_TRUE(font.value("boxes").toObject().contains(vert.value(comma).toString()));
    EXPECT_EQ(font.value("glyphOrder0").toString(), ".notdef");
    EXPECT_EQ(font.value("notdefContours").toInt(), 2); // a box with its counter

    // The em box of a new font, and lines that do not touch: the same line
    // height of about 1.45 em whichever metrics a program reads.
    EXPECT_EQ(font.value("unitsPerEm").toInt(), 1024);
    EXPECT_EQ(font.value("ascent").toArray().at(1).toInt(), 880);
    EXPECT_EQ(font.value("descent").toArray().at(1).toInt(), -144);
    const QJsonArray heights = font.value("lineHeights").toArray();
    EXPECT_EQ(heights.at(0), heights.at(1));
    EXPECT_EQ(heights.at(1), heights.at(2));
    EXPECT_GE(heights.at(0).toInt(), 1434);
    EXPECT_LE(heights.at(0).toInt(), 1536);
    EXPECT_EQ(font.value("fsType").toInt(), 0);
    EXPECT_TRUE(font.value("fsSelection").toInt() & 0x40);
    EXPECT_TRUE(font.value("codePage1").toInteger() & (1 << 17));

    const QJsonObject name = font.value("name").toObject();
    EXPECT_EQ(name.value("1").toString(), "hand");
    EXPECT_EQ(name.value("4").toString(), "hand Regular");
    EXPECT_EQ(name.value("6").toString(), "hand-Regular");
    EXPECT_EQ(name.value("5").toString(), "Version 1.001"); // made by SaveAs, then saved at exit
    EXPECT_FALSE(name.value("0").toString().isEmpty());
    EXPECT_EQ(font.value("nameJa").toObject().value("1").toString(), "hand");
    EXPECT_EQ(font.value("macNames").toArray(), (QJsonArray { 0, 1, 2, 3, 4, 5, 6 }));

    QProcess scan;
    scan.start("fc-scan", { "--format", "%{family}", ttf });
    ASSERT_TRUE(scan.waitForFinished(30'000));
    EXPECT_EQ(QString::fromUtf8(scan.readAllStandardOutput()).section(',', 0, 0), "hand");
}

TEST_F(GlyphsmithServerTest, ReopenedFontFindsItsVerticalLookupAgain)
{
    const QString ttf = NewFontFile("again.ttf");
    const CCanvasBitmap drawing = Handwriting(256);
    ASSERT_TRUE(Import(drawing, 0x8141, false)); // 、
    ASSERT_TRUE(Import(drawing, 0x8141, true));
    SaveAndRelease();
    const QJsonValue underline = Check(ttf).value("underline");
    // The launched editor ends with its last client; the next one opens the
    // saved .ttf from the field.
    WaitForSocketGone();

    m_session = std::make_unique<CFontEditorSession>(*m_system, m_messages, m_field);
    // The vertical form of 。 comes before 。 itself and is reached once
    // the character has its glyph.
    ASSERT_TRUE(Import(drawing, 0x8142, true)) << m_messages.messages.join('|').toStdString();
    ASSERT_TRUE(Import(drawing, 0x8142, false));
    ASSERT_TRUE(Import(drawing, 0x8141, true)); // 、 again: still one rule
    SaveAndRelease();
    const QJsonObject font = Check(ttf);
    const QJsonObject vert = font.value("vert").toObject();
    EXPECT_EQ(vert.size(), 2);
    // Saving an opened font again leaves its underline where it was.
    EXPECT_EQ(font.value("underline"), underline);
    EXPECT_TRUE(vert.contains("uni3001") && vert.contains("uni3002"));
    EXPECT_EQ(m_messages.messages.size(), 0);
}

TEST_F(GlyphsmithServerTest, EditorThatWentAwayIsLaunchedAgain)
{
    // An editor started by hand: attached to, not flagged.
    QProcess byHand;
    byHand.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    StartServer(byHand, CLocalAutomationSystem::SocketPath(CFontEditorSession::kProgId));
    for (int tries = 0; tries < 300 && !m_system->GetActiveObject(CFontEditorSession::kProgId); ++tries)
        QThread::msleep(50);
    CCanvasBitmap drawing(128, 128);
    DrawHandwriting(drawing, 10);
    ASSERT_TRUE(Import(drawing, 0x82A0, false));

    byHand.kill();
    byHand.waitForFinished();
    EXPECT_TRUE(Import(drawing, 0x82A2, false));
    // The restart is told once, as a restart, with what became of the glyph
    // the dead editor held: its new font is a font of its own, so that glyph
    // is kept aside as a recovery font, named, not merged into the new one.
    const QStringList told = m_messages.informations + m_messages.messages;
    ASSERT_EQ(told.size(), 1) << told.join('|').toStdString();
    EXPECT_TRUE(told[0].startsWith("フォントエディタが止まったため再起動しました")) << told[0].toStdString();
    EXPECT_EQ(m_session->EditorFont().GetGlyphCodes(), "20 8140 82A2");
    const QStringList recovered = RecoveryFonts();
    ASSERT_EQ(recovered.size(), 1);
    EXPECT_TRUE(told[0].contains(QFileInfo(recovered[0]).fileName())) << told[0].toStdString();
    EXPECT_EQ(Box(Check(recovered[0]), 0x3042).size(), 4);
    EXPECT_TRUE(m_session->SaveFontAs(m_out.filePath("relaunched.ttf")));
    EXPECT_TRUE(QFile::exists(m_out.filePath("relaunched.ttf")));
}

TEST_F(GlyphsmithServerTest, EditorAnswersGarbledRequestsAndStaysUp)
{
    ASSERT_TRUE(m_session->EnsureEditor() && m_session->OpenFontInEditor()); // font handle 2
    QLocalSocket raw;
    raw.connectToServer(CLocalAutomationSystem::SocketPath(CFontEditorSession::kProgId));
    ASSERT_TRUE(raw.waitForConnected(5000));
    for (const QByteArray& request : { QByteArray("not json\n"), QByteArray("[1]\n"), QByteArray("\xff\xfe\n"),
             QByteArray(R"({"op":"invoke","id":3,"object":1,"dispid":99,"kind":"get","args":[]})"
                        "\n"),
             QByteArray(R"({"op":"invoke","id":4,"object":1,"dispid":13,"kind":"method","args":[1]})"
                        "\n"),
             // The later members refuse arguments of the wrong type or number.
             QByteArray(R"({"op":"invoke","id":5,"object":2,"dispid":101,"kind":"method",)"
                        R"("args":[{"type":"string","value":"A"},{"type":"bool","value":false}]})"
                        "\n"),
             QByteArray(R"({"op":"invoke","id":6,"object":2,"dispid":102,"kind":"method","args":[]})"
                        "\n"),
             QByteArray(R"({"op":"invoke","id":7,"object":2,"dispid":104,"kind":"put",)"
                        R"("args":[{"type":"long","value":3}]})"
                        "\n"),
             QByteArray(R"({"op":"invoke","id":8,"object":2,"dispid":103,"kind":"method",)"
                        R"("args":[{"type":"string","value":null}]})"
                        "\n"),
             QByteArray(R"({"op":"invoke","id":9,"object":2,"dispid":199,"kind":"get","args":[]})"
                        "\n"),
             // A lone surrogate can be neither a path nor a name.
             QByteArray(R"({"op":"invoke","id":10,"object":2,"dispid":104,"kind":"put",)"
                        R"("args":[{"type":"string","value":"\ud800"}]})"
                        "\n"),
             QByteArray(R"({"op":"invoke","id":11,"object":1,"dispid":14,"kind":"method",)"
                        R"("args":[{"type":"string","value":"/tmp/\udc80.ttf"},{"type":"short","value":0}]})"
                        "\n") }) {
        raw.write(request);
        while (!raw.canReadLine())
            ASSERT_TRUE(raw.waitForReadyRead(10'000)) << request.constData();
        EXPECT_TRUE(QJsonDocument::fromJson(raw.readLine()).object().contains("failure")) << request.constData();
    }
    raw.abort();
    // The program's own connection still works.
    EXPECT_EQ(m_session->EditorApp()->GetVersion().left(4), "3.10");
}

TEST_F(GlyphsmithServerTest, FailedSaveKeepsPreviousFileAndOtherBitmapDepthsTrace)
{
    const QString ttf = NewFontFile("kept.ttf");
    const CCanvasBitmap drawing = Handwriting(192);
    ASSERT_TRUE(Import(drawing, 0x82A0, false));
    ASSERT_TRUE(m_session->SaveFontAs(ttf));
    const QByteArray saved = [&] {
        QFile file(ttf);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    ASSERT_FALSE(saved.isEmpty());

    EXPECT_FALSE(m_session->SaveFontAs(m_out.filePath("no/such/folder/x.ttf")));
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages[0].startsWith("エラー:2011\n"));
    QFile again(ttf);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), saved);
    EXPECT_TRUE(QDir(m_out.path()).entryList(QDir::Hidden | QDir::Files).filter("glyphsmith").isEmpty());

    // An 8-bit grey BMP of the same drawing goes through the potrace program.
    const QString grey = m_out.filePath("grey.bmp");
    QByteArray bmp("BM");
    const int stride = 192;
    const QByteArray header = [&] {
        QByteArray h(40, '\0');
        auto put = [&](int at, quint32 v) { std::memcpy(h.data() + at, &v, 4); };
        put(0, 40);
        put(4, 192);
        put(8, 192);
        put(12, 1 | (8 << 16));
        put(32, 256);
        return h;
    }();
    QByteArray palette;
    for (int i = 0; i < 256; ++i)
        palette.append(QByteArray(3, static_cast<char>(i))).append('\0');
    QByteArray pixels(stride * 192, '\xFF');
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 192; ++x)
            if (drawing.IsInk(x, y))
                pixels[y * stride + x] = 0;
    const quint32 offset = 14 + 40 + 1024, size = offset + static_cast<quint32>(pixels.size());
    bmp.append(reinterpret_cast<const char*>(&size), 4)
        .append(4, '\0')
        .append(reinterpret_cast<const char*>(&offset), 4);
    bmp += header + palette + pixels;
    QFile out(grey);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bmp);
    out.close();
    EXPECT_TRUE(m_session->WriteGlyph(grey, 0x82A2, false));
    SaveAndRelease();
    EXPECT_TRUE(Check(ttf).value("boxes").toObject().contains("uni3044"));
    WaitForSocketGone();

    // A disk that fills up while the font is written: the font writer only
    // grumbles, the editor refuses the save, and the file stays as it was.
    QFile before(ttf);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray whole = before.readAll();
    before.close();
    // The glyphs go into the journal through an editor with disk to spare,
    // which then dies; the editor on the full disk replays them.
    QProcess spare;
    StartEditor(spare);
    m_session = std::make_unique<CFontEditorSession>(*m_system, m_messages, m_field);
    for (qint32 code : { 0x889F, 0x88A0, 0x88A1 })
        ASSERT_TRUE(Import(drawing, code, false));
    spare.kill();
    spare.waitForFinished();
    QProcess full;
    {
        const FileSizeLimit limit(static_cast<rlim_t>(whole.size() + 256));
        StartEditor(full);
    }
    m_session = std::make_unique<CFontEditorSession>(*m_system, m_messages, m_field);
    ASSERT_TRUE(m_session->EnsureEditor() && m_session->OpenFontInEditor());
    EXPECT_EQ(m_session->EditorFont().GetRecoveredGlyphs(), 3);
    m_messages.messages.clear();
    EXPECT_FALSE(m_session->SaveFontAs(ttf));
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages[0].startsWith("エラー:2011\n")) << m_messages.messages[0].toStdString();
    EXPECT_TRUE(m_messages.messages[0].contains("原因：")) << m_messages.messages[0].toStdString();
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    EXPECT_EQ(before.readAll(), whole);
    m_session.reset();
    full.kill();
    full.waitForFinished();
}

// The folder of the font became read-only while the program ran: the save at
// exit fails, the user is asked for another name (which fails there too), and
// the work ends up whole in a recovery copy.
TEST_F(GlyphsmithServerTest, SaveAtExitIntoReadOnlyFolderEndsInRecoveryCopy)
{
    ASSERT_TRUE(QDir(m_out.path()).mkdir("locked"));
    const QString ttf = m_out.filePath("locked/kept.ttf");
    m_field.text = ttf;
    m_messages.answers = { true };
    CCanvasBitmap drawing(128, 128);
    DrawHandwriting(drawing, 10);
    ASSERT_TRUE(Import(drawing, 0x82A0, false));
    ASSERT_TRUE(QFile::exists(ttf));

    const UnwritableFolder locked(m_out.filePath("locked"));
    if (!locked.IsUnwritable())
        GTEST_SKIP() << "this file system cannot make a folder read-only for this user";
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_out.filePath("data")));
    m_session->SetSaveAsChooser([&](const QString&) { return m_out.filePath("locked/other.ttf"); });
    m_messages.answers = { true, false };
    m_messages.questions.clear();
    EXPECT_EQ(m_session->ReleaseAtExit(QString()), ttf);
    qputenv("XDG_DATA_HOME", dataHome);

    ASSERT_EQ(m_messages.questions.size(), 2);
    EXPECT_TRUE(m_messages.questions[0].startsWith("フォントファイル" + ttf + "を保存できませんでした。\n原因："));
    QStringList recovered;
    for (const QString& message : m_messages.messages)
        if (message.contains("復旧用のコピーを次のファイルに保存しました。"))
            recovered << message.section('\n', 1);
    ASSERT_EQ(recovered.size(), 1) << m_messages.messages.join('|').toStdString();
    EXPECT_TRUE(recovered[0].startsWith(m_out.filePath("data")));
    const QJsonObject font = Check(recovered[0]);
    const QString a = font.value("cmap").toObject().value(QString::number(0x3042)).toString();
    EXPECT_TRUE(font.value("boxes").toObject().contains(a)) << a.toStdString();
    EXPECT_TRUE(m_session->IsExitSaveFailed());
}

class FidelityTest : public GlyphsmithServerTest,
                     public ::testing::WithParamInterface<std::tuple<int, int, double>> { };

TEST_P(FidelityTest, RenderedGlyphMatchesCanvas)
{
    const auto [size, tip, least] = GetParam();
    const QString ttf = m_out.filePath("fidelity.ttf");
    m_field.text = ttf;
    m_messages.answers = { true };
    CCanvasBitmap drawing(size, size);
    DrawHandwriting(drawing, tip);
    ASSERT_TRUE(Import(drawing, 0x82A0, false));
    SaveAndRelease();
    const double iou = InkIntersectionOverUnion(drawing, Render(ttf, U'あ', size));
    RecordProperty("iou", QString::number(iou).toStdString());
    EXPECT_GE(iou, least) << "size " << size << " tip " << tip;
}

INSTANTIATE_TEST_SUITE_P(CanvasSizes, FidelityTest,
    ::testing::Values(std::tuple { 512, 30, 0.97 }, std::tuple { 128, 10, 0.95 }, std::tuple { 160, 20, 0.95 }));

} // namespace

TEST_F(GlyphsmithServerTest, EditorEndsCleanlyWhenItsSocketIsAlreadyGone)
{
    // quillery-autocreate keeps the socket in a private folder that it
    // removes as it exits, which may be before the editor it started has
    // noticed the client leave.
    const QString socketPath = CLocalAutomationSystem::SocketPath(CFontEditorSession::kProgId);
    QProcess editor;
    StartServer(editor, socketPath);
    QLocalSocket client;
    for (int tries = 0; tries < 300 && client.state() != QLocalSocket::ConnectedState; ++tries) {
        client.connectToServer(socketPath);
        if (!client.waitForConnected(100))
            QThread::msleep(50);
    }
    ASSERT_EQ(client.state(), QLocalSocket::ConnectedState);
    // Flagged as started for a client, so it ends with its last one.
    client.write(R"({"op":"invoke","id":1,"object":1,"dispid":7,"kind":"put","args":[{"type":"bool","value":true}]})"
                 "\n");
    while (!client.canReadLine())
        ASSERT_TRUE(client.waitForReadyRead(10'000));
    ASSERT_FALSE(QJsonDocument::fromJson(client.readLine()).object().contains("failure"));

    ASSERT_TRUE(QFile::remove(socketPath));
    client.disconnectFromServer();
    ASSERT_TRUE(editor.waitForFinished(30'000));
    EXPECT_EQ(editor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(editor.exitCode(), 0) << editor.readAllStandardError().constData();
}

namespace {

// A font as another program makes it: an em of 2048, its own ascent, descent
// and line gaps, preview-and-print embedding, full-width glyphs 2000 wide, and
// what is odd but valid: an empty い in the cmap and a vertical form of 、
// that is empty.
const char* const kOtherMakersFont = R"(
import sys
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
def box(x0, y0, x1, y1):
    pen = TTGlyphPen(None)
    if x1 > x0:
        pen.moveTo((x0, y0)); pen.lineTo((x0, y1)); pen.lineTo((x1, y1)); pen.lineTo((x1, y0)); pen.closePath()
    return pen.glyph()
glyphs = {".notdef": box(100, 0, 900, 1600), "A": box(100, 0, 900, 1400), "uni4E00": box(100, 700, 1900, 900),
          "uni3001": box(200, -100, 500, 200), "uni3001.vert": box(0, 0, 0, 0), "space": box(0, 0, 0, 0),
          "uni3000": box(0, 0, 0, 0), "uni3044": box(0, 0, 0, 0)}
order = list(glyphs)
fb = FontBuilder(2048, isTTF=True)
fb.setupGlyphOrder(order)
fb.setupCharacterMap({0x41: "A", 0x4E00: "uni4E00", 0x3001: "uni3001", 0x20: "space", 0x3000: "uni3000",
                      0x3044: "uni3044"})
fb.setupGlyf(glyphs)
fb.setupHorizontalMetrics({n: (1000 if n in ("A", ".notdef", "space") else 2000, 100) for n in order})
fb.setupHorizontalHeader(ascent=1900, descent=-500, lineGap=67)
fb.setupNameTable({"familyName": "Other Maker Sans", "styleName": "Regular", "fullName": "Other Maker Sans Regular",
                   "copyright": "Copyright Other Maker",
                   "version": "Version 2.500", "psName": "OtherMakerSans-Regular"})
fb.setupOS2(sTypoAscender=1802, sTypoDescender=-246, sTypoLineGap=200, usWinAscent=1900, usWinDescent=500,
            fsType=0x0004, achVendID="OTHR")
fb.setupPost(underlinePosition=-150, underlineThickness=101)
fb.addOpenTypeFeatures("feature vert { sub uni3001 by uni3001.vert; } vert;")
fb.save(sys.argv[1])
)";

CCanvasBitmap FullInk(int size)
{
    CCanvasBitmap canvas(size, size);
    for (int y = 0; y < size; ++y)
        canvas.FillSpan(y, 0, size - 1, true);
    return canvas;
}

} // namespace

TEST_F(GlyphsmithServerTest, OtherMakersFontIsKeptWholeAndItsNewGlyphFillsItsEmBox)
{
    const QString ttf = m_out.filePath("other.ttf");
    ASSERT_EQ(QProcess::execute("/usr/bin/python3", { "-c", kOtherMakersFont, ttf }), 0);
    m_field.text = ttf;
    ASSERT_TRUE(Import(FullInk(256), 0x82A0, false)); // あ: ink over the whole canvas
    CCanvasBitmap drawing(256, 256);
    DrawHandwriting(drawing, 20);
    ASSERT_TRUE(Import(drawing, 0x42, false)); // B, half of the font's full width
    EXPECT_EQ(m_session->EditorFont().GetMetrics(), "2048 1802 246 2000");
    SaveAndRelease();
    ASSERT_TRUE(m_messages.messages.isEmpty()) << m_messages.messages.join('|').toStdString();

    const QJsonObject font = Check(ttf);
    EXPECT_EQ(font.value("unitsPerEm").toInt(), 2048);
    EXPECT_EQ(font.value("ascent").toArray(), (QJsonArray { 1900, 1802, 1900 }));
    EXPECT_EQ(font.value("descent").toArray(), (QJsonArray { -500, -246, -500 }));
    EXPECT_EQ(font.value("lineGaps").toArray(), (QJsonArray { 67, 200 }));
    EXPECT_EQ(font.value("underline").toArray(), (QJsonArray { -150, 101 }));
    EXPECT_EQ(font.value("fsType").toInt(), 4);
    const QJsonObject name = font.value("name").toObject();
    EXPECT_EQ(name.value("0").toString(), "Copyright Other Maker");
    EXPECT_EQ(name.value("1").toString(), "Other Maker Sans");
    EXPECT_EQ(name.value("6").toString(), "OtherMakerSans-Regular");
    EXPECT_EQ(name.value("5").toString(), "Version 2.501");

    EXPECT_EQ(Box(font, 0x3042), (QJsonArray { 0, -246, 2048, 1802 }));
    const QJsonObject advances = font.value("advances").toObject();
    const QJsonObject cmap = font.value("cmap").toObject();
    EXPECT_EQ(advances.value(cmap.value(QString::number(0x3042)).toString()).toInt(), 2000);
    EXPECT_EQ(advances.value(cmap.value(QString::number(0x42)).toString()).toInt(), 1000);
    EXPECT_EQ(Box(font, 0x41), (QJsonArray { 100, 0, 900, 1400 }));
    EXPECT_EQ(Box(font, 0x4E00), (QJsonArray { 100, 700, 1900, 900 }));
    // Another maker's font keeps what is odd in it, as it keeps everything.
    EXPECT_TRUE(cmap.contains(QString::number(0x3044)));
    EXPECT_EQ(font.value("vert").toObject().value("uni3001").toString(), "uni3001.vert");
    EXPECT_TRUE(cmap.contains(QString::number(0x20)) && cmap.contains(QString::number(0x3000)));
    EXPECT_TRUE(cmap.contains(QString::number(0x3001)));
}

TEST_F(GlyphsmithServerTest, EditorKilledAfterImportsLosesNoneOfThem)
{
    const QString ttf = m_out.filePath("控え.ttf");
    m_field.text = ttf;
    m_messages.answers = { true };
    QProcess editor;
    StartEditor(editor);
    CCanvasBitmap drawing(256, 256);
    DrawHandwriting(drawing, 20);
    ASSERT_TRUE(Import(drawing, 0x82A0, false)); // あ, into the new font saved under its name
    ASSERT_TRUE(Import(drawing, 0x82A2, false)); // い
    ASSERT_TRUE(Import(drawing, 0x8141, false)); // 、
    ASSERT_TRUE(Import(drawing, 0x8141, true));
    m_session->EditorFont().SetCopyright("(c) Test");
    editor.kill(); // nothing saved since the file was made
    editor.waitForFinished();
    // A write cut short leaves a torn frame at the end of the journal's log.
    const QString journal = FileJournal();
    ASSERT_FALSE(journal.isEmpty());
    QFile log(journal + "-wal");
    ASSERT_TRUE(log.open(QIODevice::Append));
    log.write(QByteArray(3000, '\x5a'));
    log.close();

    // The next import launches an editor, which opens the file and its journal.
    m_session = std::make_unique<CFontEditorSession>(*m_system, m_messages, m_field);
    ASSERT_TRUE(Import(drawing, 0x82A4, false)) << m_messages.messages.join('|').toStdString(); // う
    EXPECT_EQ(m_session->EditorFont().GetRecoveredGlyphs(), 4);
    SaveAndRelease();
    WaitForSocketGone();
    const QJsonObject font = Check(ttf);
    for (int unicode : { 0x3042, 0x3044, 0x3046, 0x3001 })
        EXPECT_EQ(Box(font, unicode).size(), 4) << std::hex << unicode;
    EXPECT_EQ(font.value("vert").toObject().size(), 1);
    EXPECT_EQ(font.value("name").toObject().value("0").toString(), "(c) Test");
    // The names the new font was given went through the editor's journal:
    // a file named in kanji gets an English name anyone can read.
    EXPECT_EQ(font.value("name").toObject().value("1").toString(), "Hikae");
    EXPECT_EQ(font.value("name").toObject().value("6").toString(), "Hikae-Regular");
    EXPECT_EQ(font.value("nameJa").toObject().value("1").toString(), "控え");
    // Saved: the journal is gone, and nothing was ever written beside the font.
    EXPECT_EQ(QDir(m_out.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "控え.ttf" });
    EXPECT_TRUE(FileJournal().isEmpty());
}

TEST_F(GlyphsmithServerTest, ClientThatVanishesWithoutSavingLosesNothing)
{
    const QString ttf = NewFontFile("left.ttf");
    const CCanvasBitmap drawing = Handwriting(256);
    ASSERT_TRUE(Import(drawing, 0x82A0, false));
    const QString journal = FileJournal();
    ASSERT_TRUE(QFile::exists(journal));
    // Gone without the save at exit, as when the program is killed.
    m_session.reset();
    WaitForEditorEnd(journal);
    EXPECT_FALSE(QFile::exists(journal));
    EXPECT_EQ(Box(Check(ttf), 0x3042).size(), 4);

    // A new font that never got a file does not come back in the next new
    // font: it is kept aside as a recovery font of its own, named there.
    m_field.text.clear();
    m_session = std::make_unique<CFontEditorSession>(*m_system, m_messages, m_field);
    ASSERT_TRUE(Import(drawing, 0x82A2, false));
    const QString orphan = NewFontJournal();
    ASSERT_FALSE(orphan.isEmpty());
    m_session.reset();
    WaitForSocketGone();
    WaitForEditorEnd(orphan);
    m_session = std::make_unique<CFontEditorSession>(*m_system, m_messages, m_field);
    ASSERT_TRUE(m_session->EnsureEditor() && m_session->OpenFontInEditor());
    EXPECT_EQ(m_session->EditorFont().GetRecoveredGlyphs(), 0);
    EXPECT_EQ(m_session->EditorFont().GetGlyphCodes(), "20 8140"); // the spaces alone
    const QStringList recovered = RecoveryFonts();
    ASSERT_EQ(recovered.size(), 1);
    EXPECT_EQ(Box(Check(recovered[0]), 0x3044).size(), 4);
    EXPECT_TRUE(NewFontJournal().isEmpty() || NewFontJournal() != orphan);
}

TEST_F(GlyphsmithServerTest, LaterMembersReadAndChangeTheFont)
{
    const QString ttf = NewFontFile("members.ttf");
    const CCanvasBitmap drawing = Handwriting(256);
    ASSERT_TRUE(Import(drawing, 0x82A0, false)); // あ
    ASSERT_TRUE(Import(drawing, 0x8141, false)); // 、
    ASSERT_TRUE(Import(drawing, 0x8141, true));
    ASSERT_TRUE(Import(CCanvasBitmap(256, 256), 0x8140, false)); // the ideographic space
    const CGlyphsmithTypeface& font = m_session->EditorFont();
    EXPECT_EQ(font.GetGlyphCodes(), "20 8140 8141 8141v 82A0");
    EXPECT_EQ(font.GetMetrics(), "1024 880 144 1024");
    EXPECT_EQ(font.GetRecoveredGlyphs(), 0);

    const auto outline = CGlyphOutline::Parse(font.GetGlyphOutline(0x82A0, false));
    ASSERT_TRUE(outline.has_value());
    EXPECT_EQ(outline->Advance(), 1024);
    ASSERT_FALSE(outline->IsEmpty());
    for (const CGlyphOutline::Command& command : outline->Commands())
        for (const QPointF& p : command.points)
            EXPECT_TRUE(p.x() >= 0 && p.x() <= 1024 && p.y() >= -144 && p.y() <= 880) << p.x() << "," << p.y();
    EXPECT_EQ(font.GetGlyphOutline(0x8140, false), "A 1024");
    EXPECT_EQ(font.GetGlyphOutline(0x82A2, false), "");

    // The drawn vertical form of 、 removed: the one made from 、 is back.
    const QString drawnForm = font.GetGlyphOutline(0x8141, true);
    font.RemoveGlyph(0x8141, true);
    EXPECT_EQ(font.GetGlyphCodes(), "20 8140 8141 8141v 82A0");
    EXPECT_NE(font.GetGlyphOutline(0x8141, true), drawnForm);
    font.RemoveGlyph(0x82A0, false);
    font.RemoveGlyph(0x82A2, false); // never there: nothing happens
    font.RemoveGlyph(0x8141, false); // the character and its made form go
    EXPECT_EQ(font.GetGlyphCodes(), "20 8140");

    font.SetFamilyName("Quill Hand");
    font.SetFamilyNameJa("羽ペン手書き");
    font.SetFontVersion("2.000");
    font.SetCopyright("Copyright (c) 2026, Q");
    EXPECT_EQ(font.GetFamilyName(), "Quill Hand");
    EXPECT_EQ(font.GetFamilyNameJa(), "羽ペン手書き");
    EXPECT_EQ(font.GetFontVersion(), "2.000");
    EXPECT_EQ(font.GetCopyright(), "Copyright (c) 2026, Q");
    const auto refused = [&](const std::function<void()>& call, int code) {
        try {
            call();
        } catch (const CDispatchException& e) {
            EXPECT_EQ(e.Code(), code);
            EXPECT_FALSE(e.Description().contains("Font generation failed"));
            return e.Description();
        }
        ADD_FAILURE() << "not refused";
        return QString();
    };
    refused([&] { font.SetFamilyName("  "); }, 2012);
    refused([&] { font.SetFamilyName("手書き"); }, 2012); // not for the Latin names
    refused([&] { font.SetFontVersion("one"); }, 2012);
    refused([&] { font.GetGlyphOutline(0x817F, false); }, 2006);
    refused([&] { font.RemoveGlyph(0x10000, false); }, 2006);
    EXPECT_TRUE(refused([&] { font.SaveCopy(m_out.filePath("gone/copy.ttf")); }, 2011).contains("フォルダ"));

    const QString copy = m_out.filePath("copy.ttf");
    font.SaveCopy(copy);
    EXPECT_EQ(font.GetFilePath(), ttf);
    EXPECT_EQ(Check(copy).value("name").toObject().value("1").toString(), "Quill Hand");
    font.Save();
    font.Save(); // each save grows the version
    EXPECT_EQ(font.GetFontVersion(), "2.001");
    const QJsonObject saved = Check(ttf);
    EXPECT_EQ(saved.value("name").toObject().value("5").toString(), "Version 2.001");
    EXPECT_EQ(saved.value("name").toObject().value("6").toString(), "QuillHand-Regular");
    EXPECT_EQ(saved.value("nameJa").toObject().value("4").toString(), "羽ペン手書き Regular");
}
