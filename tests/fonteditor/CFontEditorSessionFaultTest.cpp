// The session against an editor that dies, stops or refuses a font file,
// and against font files that cannot be written where they are.
#include "fonteditor/CFontEditorSession.h"

#include "SessionFixture.h"
#include "fonteditor/CFontPath.h"
#include "fonteditor/CFontFileCheck.h"
#include "res/CStringTable.h"
#include "support/FakeMessageBox.h"
#include "support/UnwritableFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using M = CStringTable::EMessage;

class SessionFaultTest : public SessionFixture {
protected:
    // A file that starts as a TrueType font does, with the tables it needs.
    QString MakeFontFile(const QString& name)
    {
        QByteArray font("\x00\x01\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00", 12);
        for (const char* tag : { "cmap", "glyf", "head", "loca", "maxp" })
            font += QByteArray(tag) + QByteArray(4, '\0') + QByteArray("\x00\x00\x00\x5c\x00\x00\x00\x04", 8);
        font += QByteArray(4, '\0');
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(font);
        return path;
    }
    int Count(const QString& call) const { return int(m_system.state.log.count(call)); }
    void OfferDialog(QStringList answers)
    {
        m_session.SetSaveAsChooser([this, answers](const QString& suggested) mutable {
            m_suggested << suggested;
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
    }
    static QString Restarted() { return CStringTable::Message(M::EditorRestarted); }

    QStringList m_suggested;
};

// Died or stopped anywhere in the import: a new editor opens the font again
// and takes the glyph, and the user hears once that nothing was lost. A
// second loss for the same glyph is said once, for that glyph.
TEST_F(SessionFaultTest, EditorLostDuringAGlyphIsReplacedAndTheGlyphTriedOnceMore)
{
    m_field.text = MakeFontFile("hand.ttf");
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    for (const QString step : { "Font.39", "App.12", "Font.31" }) {
        m_system.state.deaths[step] = 1;
        const QString bmp = MakeBmpFile();
        EXPECT_TRUE(m_session.WriteGlyph(bmp, 0x82A2, false)) << step.toStdString();
        EXPECT_FALSE(QFile::exists(bmp));
    }
    EXPECT_EQ(m_system.log.count("CreateInstance"), 4);
    EXPECT_EQ(Count("App.14(" + m_field.text + ",0s)"), 4);
    EXPECT_EQ(m_messages.informations, QStringList(3, Restarted()));
    EXPECT_TRUE(m_messages.messages.isEmpty()) << m_messages.messages.join('|').toStdString();

    m_messages.informations.clear();
    m_system.state.deaths["Font.31"] = 2;
    EXPECT_FALSE(m_session.WriteGlyph(MakeBmpFile(), 0x82A4, false));
    EXPECT_EQ(m_messages.messages, QStringList { CStringTable::Message(M::EditorStoppedAgain) });
    EXPECT_TRUE(m_messages.informations.isEmpty());
    EXPECT_FALSE(m_session.IsFontUnavailable());
    // The next command starts another editor.
    EXPECT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A4, false));
}

// A glyph written under the second code of a character (∵ of the NEC row,
// 0x81E6 as well) is the glyph the new editor lists: nothing is lost.
TEST_F(SessionFaultTest, GlyphWrittenUnderAnotherCodeOfItsCharacterIsNotCountedLost)
{
    m_field.text = MakeFontFile("hand.ttf");
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x879A, false));
    m_system.state.deaths["Font.39"] = 1;
    EXPECT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A2, false));
    EXPECT_EQ(m_messages.informations, QStringList { Restarted() });
    EXPECT_TRUE(m_messages.messages.isEmpty()) << m_messages.messages.join('|').toStdString();
}

// A new editor that does not have what went into the font names the glyphs
// lost, with where it kept them; an editor that died between two commands
// is a restart too, not work of an earlier run.
TEST_F(SessionFaultTest, GlyphsTheNewEditorLacksAreNamedAndADeathBetweenCommandsIsARestart)
{
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false)); // a new font without a file
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x8141, true));
    m_system.state.bDeathLosesGlyphs = true;
    m_system.state.strRecoveryNotice = "復旧用フォント X に残しました。";
    m_system.state.deaths["Font.39"] = 1;
    EXPECT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A2, false));
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_EQ(m_messages.messages[0].toStdString(),
        (CStringTable::Message(M::EditorRestartedLost).arg("「、（縦書き）」「あ」") + "\n復旧用フォント X に残しました。")
            .toStdString());
    EXPECT_TRUE(m_system.state.glyphs.count(0x82A2));

    m_messages.messages.clear();
    m_system.state.bDeathLosesGlyphs = false;
    m_system.state.strRecoveryNotice.clear();
    m_system.state.nRecovered = 1;
    ++m_system.state.nGeneration; // dies while nobody calls it
    EXPECT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A4, false));
    EXPECT_EQ(m_messages.informations, QStringList { Restarted() });
    EXPECT_TRUE(m_messages.messages.isEmpty());
}

// A batch run tells the editor, again after a restart, and keeps the news of
// the restart for its summary.
TEST_F(SessionFaultTest, BatchRunIsToldToTheEditorAndARestartWaitsForTheSummary)
{
    m_field.text = MakeFontFile("hand.ttf");
    ASSERT_TRUE(m_session.EnsureEditor());
    m_session.SetBatchMode(true);
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    m_system.state.deaths["Font.39"] = 1;
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A2, false));
    m_session.SetBatchMode(false);
    EXPECT_EQ(Count("App.111=(true)"), 2);
    EXPECT_EQ(Count("App.111=(false)"), 1);
    EXPECT_EQ(m_system.log.filter("SetBatchMode"), (QStringList { "SetBatchMode:1", "SetBatchMode:0" }));
    EXPECT_TRUE(m_messages.informations.isEmpty());
    const CFontEditorSession::SBatchNotes notes = m_session.TakeBatchNotes();
    EXPECT_EQ(notes.lines, QStringList { Restarted() });
    EXPECT_FALSE(notes.bGlyphsLost);
    EXPECT_TRUE(m_session.TakeBatchNotes().lines.isEmpty());

    // An editor without the member goes on as before.
    m_system.state.faults["App.111="] = FakeEditorState::EFault::General;
    m_session.SetBatchMode(true);
    EXPECT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A4, false));
    EXPECT_TRUE(m_messages.messages.isEmpty());
}

// A font file the editor will not take is named with its reason once; the
// user may make a new font in another file instead, never in the refused
// one, which is left as it was. Without a dialog (the command line) the
// reason alone is said.
TEST_F(SessionFaultTest, RefusedFontIsToldOnceAndANewFontOfferedInAnotherFile)
{
    const QString refused = MakeFontFile("cff.otf");
    const QString other = m_dir.filePath("mine.ttf");
    m_field.text = refused;
    m_system.state.refusals["App.14"] = { 2013, "フォント " + refused + " は CFF 形式のため書き込めません。" };
    OfferDialog({ refused, other });
    m_messages.answers = { true, true };
    EXPECT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    ASSERT_EQ(m_messages.questions.size(), 2);
    EXPECT_EQ(m_messages.questions[0],
        "フォント " + refused + " は CFF 形式のため書き込めません。\n" + CStringTable::Message(M::OfferNewFont));
    EXPECT_TRUE(m_messages.questions[1].startsWith(CStringTable::Message(M::SameFileChosen).arg(refused)));
    EXPECT_EQ(m_suggested.value(0), m_dir.filePath("cff-手書き.ttf"));
    EXPECT_EQ(m_field.text, other);
    EXPECT_TRUE(Called("Font.40(" + other + ")"));
    EXPECT_FALSE(Called("Font.40(" + refused));
    EXPECT_TRUE(m_messages.messages.isEmpty());

    // Held by another program: its description alone, once.
    CFontEditorSession commandLine { m_system, m_messages, m_field };
    m_field.text = refused;
    m_system.state.refusals["App.14"] = { 2014, "このフォントは他のQuilleryで開かれています。" };
    m_messages.questions.clear();
    EXPECT_FALSE(commandLine.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    EXPECT_TRUE(commandLine.IsFontUnavailable());
    EXPECT_EQ(m_messages.messages, QStringList { "このフォントは他のQuilleryで開かれています。" });
    EXPECT_TRUE(m_messages.questions.isEmpty());
}

// An editor that only answers null: the file's header tells what it is; a
// file that looks whole keeps the editor's own message.
TEST_F(SessionFaultTest, NullFromTheEditorIsExplainedByTheFileItself)
{
    m_system.state.bOpenFontFails = true;
    const QString damaged = MakeBmpFile();
    m_field.text = damaged;
    EXPECT_FALSE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    m_field.text = MakeFontFile("whole.ttf");
    EXPECT_FALSE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    EXPECT_EQ(m_messages.messages,
        (QStringList { CStringTable::Message(M::FontDamaged).arg(damaged),
            "Glyphsmithでのファイルオープンに失敗しました。\n" + m_field.text }));
}

TEST(FontFileCheckTest, HeaderNamesWhatTheFileIs)
{
    QTemporaryDir dir;
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const QString cff = write("a.otf", QByteArray("OTTO") + QByteArray(60, '\0'));
    const QString ttc = write("a.ttc", QByteArray("ttcf") + QByteArray(60, '\0'));
    // One table whose data would lie past the end of the file.
    const QString cut = write("cut.ttf",
        QByteArray("\x00\x01\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00glyf\x00\x00\x00\x00\x00\x00\x00\x1c\x00\x01\x00\x00", 28));
    EXPECT_EQ(CFontFileCheck::ContentProblem(cff), CStringTable::Message(M::FontCff).arg(cff));
    EXPECT_EQ(CFontFileCheck::ContentProblem(ttc), CStringTable::Message(M::FontCollection).arg(ttc));
    EXPECT_EQ(CFontFileCheck::ContentProblem(cut), CStringTable::Message(M::FontDamaged).arg(cut));
    EXPECT_EQ(CFontFileCheck::ContentProblem(dir.filePath("none.ttf")), QString());
}

// The file is tried where it will be written: a link at its target's
// folder, a name in a folder not made yet at the nearest one that exists,
// and a folder that refuses new files is named with the refusal.
TEST(FontFileCheckTest, WritingIsTriedWhereTheFileWillBe)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("locked"));
    QFile(dir.filePath("locked/font.ttf")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(dir.filePath("locked/font.ttf"), dir.filePath("link.ttf")));
    EXPECT_TRUE(CFontFileCheck::CheckWritable(dir.filePath("new/deeper/font.ttf")).IsWritable());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("new")));
    const UnwritableFolder locked(dir.filePath("locked"));
    if (!locked.IsUnwritable())
        GTEST_SKIP() << "this file system cannot make a folder read-only for this user";
    for (const QString& path : { dir.filePath("link.ttf"), dir.filePath("locked/font.ttf"), dir.filePath("locked/sub/new.ttf") }) {
        const CFontFileCheck::SWritePlace place = CFontFileCheck::CheckWritable(path);
        EXPECT_EQ(place.problem, CFontFileCheck::SWritePlace::EProblem::Folder) << path.toStdString();
        EXPECT_EQ(place.path, dir.filePath("locked"));
        EXPECT_FALSE(place.cause.isEmpty());
    }
    EXPECT_EQ(QDir(dir.filePath("locked")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
        QStringList { "font.ttf" });
}

// A new font in a folder that refuses files: one message with the cause and
// the way out; a place that works takes the font and the glyph, a refusal of
// that place is said in its turn, and giving up makes nothing. A font there
// that is only looked at asks nothing.
TEST_F(SessionFaultTest, FontInAFolderThatRefusesFilesGoesOnlyWhereTheUserChoosesAWorkingPlace)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("locked"));
    const QString existing = MakeFontFile("locked/old.ttf");
    const UnwritableFolder locked(m_dir.filePath("locked"));
    if (!locked.IsUnwritable())
        GTEST_SKIP() << "this file system cannot make a folder read-only for this user";
    m_field.text = existing;
    ASSERT_TRUE(m_session.EnsureEditor());
    EXPECT_TRUE(m_session.OpenFontInEditor(CFontEditorSession::EFontUse::Reading));
    EXPECT_TRUE(m_messages.questions.isEmpty());

    m_field.text = m_dir.filePath("locked/new.ttf");
    OfferDialog({});
    EXPECT_FALSE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    EXPECT_TRUE(m_session.IsFontUnavailable());
    ASSERT_EQ(m_messages.questions.size(), 1);
    const QString refusal = m_messages.questions[0];
    EXPECT_TRUE(refusal.startsWith("フォルダ" + m_dir.filePath("locked") + "には書き込めません（")) << refusal.toStdString();
    EXPECT_TRUE(refusal.endsWith("）。\n" + CStringTable::Message(M::ChooseOtherPlaceStep)));
    EXPECT_FALSE(Called("App.13"));

    m_messages.questions.clear();
    OfferDialog({ m_dir.filePath("locked/again"), m_dir.filePath("free") });
    m_messages.answers = { true, true };
    EXPECT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    EXPECT_EQ(m_messages.questions.size(), 2);
    EXPECT_EQ(m_field.text, m_dir.filePath("free.ttf"));
    EXPECT_TRUE(Called("Font.40(" + m_dir.filePath("free.ttf") + ")"));
    EXPECT_TRUE(m_system.state.glyphs.count(0x82A0));
    EXPECT_TRUE(m_messages.messages.isEmpty());
}

// At exit the failure gives one cause: what writing there finds now, else
// the editor's reason without its own heading.
TEST_F(SessionFaultTest, SaveAtExitStatesOneCause)
{
    m_field.text = MakeFontFile("hand.ttf");
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    m_system.state.refusals["Font.20"]
        = { 2011, "フォント " + m_field.text + " を保存できませんでした。\n原因：ディスクの空き容量が足りません。" };
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
    m_session.ReleaseAtExit(QString());
    qunsetenv("XDG_DATA_HOME");
    ASSERT_GE(m_messages.messages.size(), 1);
    EXPECT_EQ(m_messages.messages[0],
        CStringTable::Message(M::SaveFailedCause).arg(m_field.text, "ディスクの空き容量が足りません。"));
}

// Started, but ended before it listened: not called missing.
TEST_F(SessionFaultTest, EditorEndedDuringItsStartIsNotCalledMissing)
{
    m_system.bLaunchable = false;
    m_system.launchFailure = IAutomationSystem::ELaunchFailure::EndedDuringStart;
    EXPECT_FALSE(m_session.EnsureEditor());
    EXPECT_EQ(m_system.log.count("CreateInstance"), 2); // tried once more first
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages[0].startsWith("Glyphsmithが起動の途中で終了しました。"));
    EXPECT_FALSE(m_messages.messages[0].contains("インストールしていない"));
}

TEST(FontPathTest, NameWithoutExtensionGetsTtfUnlessSuchAFileExists)
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_EQ(CFontPath::Resolve("まる"), documents + "/まる.ttf");
    EXPECT_EQ(CFontPath::Resolve("/fonts/hand.otf"), "/fonts/hand.otf");
    QTemporaryDir dir;
    QFile(dir.filePath("plain")).open(QIODevice::WriteOnly);
    EXPECT_EQ(CFontPath::Resolve(dir.filePath("plain")), dir.filePath("plain"));
    EXPECT_EQ(CFontPath::Resolve(dir.filePath("other")), dir.filePath("other.ttf"));
}

// The font left for another file is no longer held by the program, so the
// editor may close it.
TEST_F(SessionFaultTest, FontLeftForAnotherFileIsLetGo)
{
    m_field.text = MakeFontFile("first.ttf");
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    const std::weak_ptr<IDispatchObject> first = m_session.EditorFont().Dispatch();
    m_field.text = MakeFontFile("second.ttf");
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    EXPECT_TRUE(first.expired());
}

} // namespace
