// Runs the real font editor (FontForge with the program's server script)
// through the registration in the build folder, imports drawn canvases and
// checks the saved .ttf with fontTools and FreeType.
#include "fonteditor/CFontEditorSession.h"
#include "fonteditor/CLocalAutomationSystem.h"

#include "FakeGlyphsmith.h"
#include "canvas/CCanvasBitmap.h"
#include "support/FakeMessageBox.h"
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
#include <ft2build.h>
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

// A 1-bit BMP of the canvas, rows in the canvas's bottom-up order, palette
// entry 0 black (ink) and 1 white.
void WriteBmp(const CCanvasBitmap& canvas, const QString& path)
{
    const int stride = (canvas.Width() + 31) / 32 * 4;
    QByteArray pixels(stride * canvas.Height(), char(0xFF));
    for (int y = 0; y < canvas.Height(); ++y)
        std::memcpy(pixels.data() + y * stride, canvas.Row(y), static_cast<size_t>(canvas.Width() / 8));
    auto le = [](QByteArray& out, quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    QByteArray file("BM");
    le(file, 14 + 40 + 8 + pixels.size(), 4);
    le(file, 0, 4);
    le(file, 14 + 40 + 8, 4);
    for (quint32 v : { 40u, quint32(canvas.Width()), quint32(canvas.Height()) })
        le(file, v, 4);
    le(file, 1, 2);
    le(file, 1, 2);
    for (quint32 v : { 0u, quint32(pixels.size()), 2835u, 2835u, 2u, 2u })
        le(file, v, 4);
    file.append(QByteArray("\0\0\0\0\xFF\xFF\xFF\0", 8));
    file.append(pixels);
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(file);
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

class GlyphsmithServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_runtime.isValid() && m_out.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        qputenv("QUILLERY_AUTOMATION_REGISTRY", QUILLERY_BUILD_DIR "/automation.json");
        m_system = std::make_unique<CLocalAutomationSystem>();
        m_session = std::make_unique<CFontEditorSession>(*m_system, m_messages, m_field);
    }
    void TearDown() override { m_session.reset(); }

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
        return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    }
    void SaveAndRelease() { m_session->ReleaseAtExit(QString()); }

    QTemporaryDir m_runtime;
    QTemporaryDir m_out;
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
    EXPECT_TRUE(Import(drawing, 0x8141, true)); // 、 vertical form
    EXPECT_TRUE(Import(CCanvasBitmap(512, 512), 0x82A2, false)); // い left empty
    EXPECT_FALSE(Import(drawing, 0x817F, false)); // no character there
    EXPECT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages.value(0).startsWith("エラー:2006\n"));
    EXPECT_TRUE(m_session->QueryClose());
    EXPECT_EQ(m_messages.questions.size(), 1); // only the missing-file question
    EXPECT_EQ(m_session->ReleaseAtExit(QString()), ttf);

    const QJsonObject font = Check(ttf);
    EXPECT_EQ(font.value("warnings").toArray().size(), 0)
        << QJsonDocument(font.value("warnings").toArray()).toJson().constData();
    const QJsonObject cmap = font.value("cmap").toObject();
    const QJsonObject advances = font.value("advances").toObject();
    const QString a = cmap.value(QString::number(0x3042)).toString();
    const QString latinA = cmap.value(QString::number(0x41)).toString();
    const QString comma = cmap.value(QString::number(0x3001)).toString();
    const QString i = cmap.value(QString::number(0x3044)).toString();
    ASSERT_FALSE(a.isEmpty() || latinA.isEmpty() || comma.isEmpty() || i.isEmpty());
    EXPECT_EQ(advances.value(a).toInt(), 1024);
    EXPECT_EQ(advances.value(latinA).toInt(), 512);
    EXPECT_EQ(advances.value(i).toInt(), 1024);
    EXPECT_FALSE(font.value("boxes").toObject().contains(i));
    const QString vertical = font.value("vert").toObject().value(comma).toString();
    ASSERT_FALSE(vertical.isEmpty());
    EXPECT_EQ(advances.value(vertical).toInt(), 1024);
    EXPECT_EQ(font.value("glyphOrder0").toString(), ".notdef");
    EXPECT_EQ(font.value("unitsPerEm").toInt(), 1024);
    EXPECT_EQ(font.value("ascent").toArray(), (QJsonArray { 880, 880, 880 }));
    EXPECT_EQ(font.value("descent").toArray(), (QJsonArray { -144, -144, -144 }));
    EXPECT_EQ(font.value("fsType").toInt(), 0);
    EXPECT_TRUE(font.value("codePage1").toInteger() & (1 << 17));
    for (int id : { 1, 2, 4, 6 })
        EXPECT_TRUE(font.value("names").toArray().contains(id)) << id;
    EXPECT_TRUE(font.value("japaneseNames").toArray().contains(1));

    QProcess scan;
    scan.start("fc-scan", { "--format", "%{family}", ttf });
    ASSERT_TRUE(scan.waitForFinished(30'000));
    EXPECT_EQ(QString::fromUtf8(scan.readAllStandardOutput()).section(',', 0, 0), "hand");
}

TEST_F(GlyphsmithServerTest, ReopenedFontFindsItsVerticalLookupAgain)
{
    const QString ttf = m_out.filePath("again.ttf");
    m_field.text = ttf;
    m_messages.answers = { true };
    CCanvasBitmap drawing(256, 256);
    DrawHandwriting(drawing, 20);
    ASSERT_TRUE(Import(drawing, 0x8141, true)); // 、
    SaveAndRelease();
    // The launched editor ends with its last client; the next one opens the
    // saved .ttf from the field.
    const QString socket = CLocalAutomationSystem::SocketPath(CFontEditorSession::kProgId);
    for (int tries = 0; tries < 200 && QFile::exists(socket); ++tries)
        QThread::msleep(50);
    ASSERT_FALSE(QFile::exists(socket));

    m_session = std::make_unique<CFontEditorSession>(*m_system, m_messages, m_field);
    ASSERT_TRUE(Import(drawing, 0x8142, true)) << m_messages.messages.join('|').toStdString(); // 。
    ASSERT_TRUE(Import(drawing, 0x8141, true)); // 、 again: still one rule
    SaveAndRelease();
    const QJsonObject vert = Check(ttf).value("vert").toObject();
    EXPECT_EQ(vert.size(), 2);
    EXPECT_TRUE(vert.contains("uni3001") && vert.contains("uni3002"));
    EXPECT_EQ(m_messages.messages.size(), 0);
}

TEST_F(GlyphsmithServerTest, EditorThatWentAwayIsLaunchedAgain)
{
    // An editor started by hand: attached to, not flagged.
    QProcess byHand;
    byHand.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    byHand.start("fontforge",
        { "-quiet", "-lang=py", "-script", QUILLERY_BUILD_DIR "/editor/glyphsmith_server.py", "--socket",
            CLocalAutomationSystem::SocketPath(CFontEditorSession::kProgId) });
    for (int tries = 0; tries < 300 && !m_system->GetActiveObject(CFontEditorSession::kProgId); ++tries)
        QThread::msleep(50);
    CCanvasBitmap drawing(128, 128);
    DrawHandwriting(drawing, 10);
    ASSERT_TRUE(Import(drawing, 0x82A0, false));

    byHand.kill();
    byHand.waitForFinished();
    EXPECT_TRUE(Import(drawing, 0x82A0, false));
    EXPECT_TRUE(m_messages.messages.isEmpty()) << m_messages.messages.join('|').toStdString();
    EXPECT_TRUE(m_session->SaveFontAs(m_out.filePath("relaunched.ttf")));
    EXPECT_TRUE(QFile::exists(m_out.filePath("relaunched.ttf")));
}

TEST_F(GlyphsmithServerTest, EditorAnswersGarbledRequestsAndStaysUp)
{
    ASSERT_TRUE(m_session->EnsureEditor());
    QLocalSocket raw;
    raw.connectToServer(CLocalAutomationSystem::SocketPath(CFontEditorSession::kProgId));
    ASSERT_TRUE(raw.waitForConnected(5000));
    for (const QByteArray& request : { QByteArray("not json\n"), QByteArray("[1]\n"), QByteArray("\xff\xfe\n"),
             QByteArray(R"({"op":"invoke","id":3,"object":1,"dispid":99,"kind":"get","args":[]})"
                        "\n"),
             QByteArray(R"({"op":"invoke","id":4,"object":1,"dispid":13,"kind":"method","args":[1]})"
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
    const QString ttf = m_out.filePath("kept.ttf");
    m_field.text = ttf;
    m_messages.answers = { true };
    CCanvasBitmap drawing(192, 192);
    DrawHandwriting(drawing, 20);
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
    EXPECT_TRUE(QDir(m_out.path()).entryList(QDir::Hidden | QDir::Files).filter(".tmp.ttf").isEmpty());

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
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_out.filePath("data")));
    m_session->SetSaveAsChooser([&](const QString&) { return m_out.filePath("locked/other.ttf"); });
    m_messages.answers = { true, false };
    m_messages.questions.clear();
    EXPECT_EQ(m_session->ReleaseAtExit(QString()), ttf);
    qunsetenv("XDG_DATA_HOME");

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
    editor.start("fontforge",
        { "-quiet", "-lang=py", "-script", QUILLERY_BUILD_DIR "/editor/glyphsmith_server.py", "--socket", socketPath });
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
