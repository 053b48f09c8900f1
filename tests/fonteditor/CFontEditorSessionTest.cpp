#include "fonteditor/CFontEditorSession.h"

#include "SessionFixture.h"
#include "fonteditor/CExitSave.h"
#include "fonteditor/CFontPath.h"
#include "support/FakeMessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using EFault = FakeEditorState::EFault;

const QString kImportSequence[] = { "Font.17", "Font.7", "Font.29", "Font.37", "Font.39", "App.22", "Font.31" };

class FontEditorSessionTest : public SessionFixture {
protected:
    QStringList EditorCalls() const { return m_system.state.log; }
};

TEST(EditorVersionTest, FirstFourCharactersReadAsLeadingNumber)
{
    EXPECT_DOUBLE_EQ(CFontEditorSession::ParseEditorVersion("2.8"), 2.8);
    EXPECT_DOUBLE_EQ(CFontEditorSession::ParseEditorVersion("2.801"), 2.8);
    EXPECT_DOUBLE_EQ(CFontEditorSession::ParseEditorVersion("10.0 beta"), 10.0);
    EXPECT_DOUBLE_EQ(CFontEditorSession::ParseEditorVersion("3.1x"), 3.1);
    EXPECT_DOUBLE_EQ(CFontEditorSession::ParseEditorVersion("v3.1"), 0.0);
    EXPECT_DOUBLE_EQ(CFontEditorSession::ParseEditorVersion(""), 0.0);
}

class VersionCheckTest : public FontEditorSessionTest,
                         public ::testing::WithParamInterface<std::pair<QString, bool>> { };

TEST_P(VersionCheckTest, AcceptsOnlyVersionsAbove2Point8)
{
    m_system.state.strVersion = GetParam().first;
    EXPECT_EQ(m_session.ConnectEditor(), GetParam().second);
    EXPECT_EQ(m_messages.messages.size(), GetParam().second ? 0 : 1);
    if (!GetParam().second) {
        EXPECT_TRUE(m_messages.messages.front().startsWith("Glyphsmithのバージョンが低すぎます。"));
    }
    // The connection stays either way.
    ASSERT_NE(m_session.EditorApp(), nullptr);
    EXPECT_TRUE(m_session.EditorApp()->HasDispatch());
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionCheckTest,
    ::testing::Values(std::pair { QString("2.8"), false }, std::pair { QString("2.80"), false },
        std::pair { QString("2.801"), false }, std::pair { QString("2.81"), true }, std::pair { QString("10.0"), true },
        std::pair { QString("x"), false }));

TEST_F(FontEditorSessionTest, AttachesToRunningEditorWithoutStartFlag)
{
    m_system.StartByHand();
    EXPECT_TRUE(m_session.ConnectEditor());
    EXPECT_FALSE(m_system.log.contains("CreateInstance"));
    EXPECT_FALSE(Called("App.7="));
}

TEST_F(FontEditorSessionTest, LaunchesEditorAndSetsStartFlag)
{
    EXPECT_TRUE(m_session.ConnectEditor());
    EXPECT_TRUE(m_system.log.contains("CreateInstance"));
    EXPECT_EQ(EditorCalls().mid(0, 2), (QStringList { "App.7=(true)", "App.4" }));
}

TEST_F(FontEditorSessionTest, FailedLaunchReportsAndIsTriedAgainByNextCommand)
{
    m_system.bLaunchable = false;
    EXPECT_FALSE(m_session.ConnectEditor());
    EXPECT_TRUE(m_session.IsEditorStartFailed());
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(
        m_messages.messages[0].startsWith("Glyphsmithを起動できませんでした。\nまだインストールしていない場合は、"));
    EXPECT_TRUE(m_messages.messages[0].contains("python3-fonttools"));
    // At exit nothing is stored while the launch had failed.
    EXPECT_EQ(m_session.ReleaseAtExit("/old.ttf"), std::nullopt);

    m_system.bLaunchable = true;
    EXPECT_TRUE(m_session.EnsureEditor());
    EXPECT_FALSE(m_session.IsEditorStartFailed());
}

TEST_F(FontEditorSessionTest, RefusedVersionAbandonsOnlyTheFirstCommand)
{
    m_system.state.strVersion = "2.80";
    EXPECT_FALSE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    EXPECT_FALSE(Called("Font."));
    EXPECT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    EXPECT_EQ(m_system.log.count("CreateInstance"), 1);
    EXPECT_EQ(m_messages.messages.size(), 1);
}

TEST_F(FontEditorSessionTest, EditorThatWentAwayIsConnectedAgain)
{
    ASSERT_TRUE(m_session.EnsureEditor());
    m_system.launched->bConnected = false;
    EXPECT_TRUE(m_session.EnsureEditor());
    EXPECT_EQ(m_system.log.count("CreateInstance"), 2);
}

TEST_F(FontEditorSessionTest, UnreadableVersionIsReportedAndAskedAgainLater)
{
    m_system.state.faults["App.4"] = EFault::General;
    EXPECT_FALSE(m_session.ConnectEditor());
    EXPECT_EQ(m_messages.messages, QStringList { "エラーが発生しました" });
    m_system.state.faults.clear();
    EXPECT_TRUE(m_session.EnsureEditor());
}

// The field names the font: the open one while it is that file or the field
// is empty, else the named file, after the font in hand has been saved.
TEST_F(FontEditorSessionTest, FieldChoosesTheFontAndTheOldOneIsSavedFirst)
{
    const QString first = MakeBmpFile(); // existing files stand in for fonts
    const QString second = MakeBmpFile();
    m_field.text = first;
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    m_system.state.log.clear();
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A2, false));
    EXPECT_FALSE(Called("App.14") || Called("Font.20"));

    // A font that cannot be saved is not left.
    m_field.text = second;
    m_system.state.faults["Font.20"] = EFault::Dispatch;
    EXPECT_FALSE(m_session.OpenFontInEditor());
    EXPECT_FALSE(Called("App.14(" + second));
    EXPECT_EQ(m_messages.messages, QStringList { "エラー:1234\nrefused Font.20" });

    m_system.state.faults.clear();
    m_system.state.log.clear();
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A4, false));
    const QStringList calls = EditorCalls();
    const auto saved = calls.indexOf("Font.20");
    ASSERT_GE(saved, 0) << calls.join('|').toStdString();
    EXPECT_GT(calls.indexOf("App.14(" + second + ",0s)"), saved);
    EXPECT_EQ(m_system.state.strFilePath, second);

    // An empty field keeps whatever font is open.
    m_field.text.clear();
    m_system.state.log.clear();
    EXPECT_TRUE(m_session.OpenFontInEditor());
    EXPECT_FALSE(Called("App.13") || Called("App.14") || Called("Font.20"));
    EXPECT_TRUE(m_messages.questions.isEmpty());
}

TEST_F(FontEditorSessionTest, NewFontWithGlyphsIsLeftOnlyWhenTheUserAgrees)
{
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false)); // a new font without a file
    m_field.text = m_dir.filePath("named.ttf");
    m_messages.answers = { false };
    EXPECT_FALSE(m_session.OpenFontInEditor());
    ASSERT_EQ(m_messages.questions.size(), 1);
    EXPECT_TRUE(m_messages.questions[0].startsWith("新規ファイルとして作成したフォントは、まだ保存されていません。"));
    EXPECT_TRUE(m_messages.questions[0].contains(m_field.text));
    EXPECT_EQ(m_system.state.log.count("App.13(0s,false)"), 1);

    m_messages.answers = { true, true }; // leave it, create the named file
    EXPECT_TRUE(m_session.OpenFontInEditor());
    EXPECT_EQ(m_system.state.strFilePath, m_field.text);
}

TEST_F(FontEditorSessionTest, BareNameIsTakenInTheDocumentsFolderAndAskedWithItsFullPath)
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    ASSERT_FALSE(documents.isEmpty());
    EXPECT_EQ(CFontPath::Resolve("fonts/../hand.ttf"), documents + "/hand.ttf");
    EXPECT_EQ(CFontPath::Resolve("~/hand.ttf"), QDir::homePath() + "/hand.ttf");
    EXPECT_EQ(CFontPath::Resolve(" "), QString());

    const QString name = "quillery-no-such-font-" + QFileInfo(m_dir.path()).fileName() + ".ttf";
    m_field.text = name;
    ASSERT_TRUE(m_session.EnsureEditor());
    EXPECT_FALSE(m_session.OpenFontInEditor());
    EXPECT_EQ(m_messages.questions,
        QStringList { "ファイル" + documents + "/" + name + "は存在しません。新規ファイルで作成しますか？" });
    EXPECT_EQ(m_field.text, name);
}

TEST_F(FontEditorSessionTest, FieldNamingExistingFileOpensIt)
{
    m_field.text = MakeBmpFile();
    ASSERT_TRUE(m_session.EnsureEditor());
    EXPECT_TRUE(m_session.OpenFontInEditor());
    EXPECT_TRUE(EditorCalls().contains("App.14(" + m_field.text + ",0s)"));
    EXPECT_TRUE(m_session.EditorFont().HasDispatch());
}

TEST_F(FontEditorSessionTest, FontThatCannotBeOpenedOrCreatedIsReported)
{
    const QString path = MakeBmpFile();
    m_field.text = path;
    m_system.state.bOpenFontFails = true;
    ASSERT_TRUE(m_session.EnsureEditor());
    EXPECT_FALSE(m_session.OpenFontInEditor());
    m_field.text.clear();
    m_system.state.bNewFontFails = true;
    EXPECT_FALSE(m_session.OpenFontInEditor());
    EXPECT_EQ(m_messages.messages,
        (QStringList { "フォントファイル" + path + "は壊れているか TrueType フォントではありません。",
            "Glyphsmithで、フォントの新規作成に失敗しました。" }));
}

TEST_F(FontEditorSessionTest, EmptyFieldGivesNewFontWithoutQuestion)
{
    ASSERT_TRUE(m_session.EnsureEditor());
    EXPECT_TRUE(m_session.OpenFontInEditor());
    EXPECT_TRUE(EditorCalls().contains("App.13(0s,false)"));
    EXPECT_TRUE(m_messages.questions.isEmpty());
    EXPECT_FALSE(Called("Font.40"));
}

TEST_F(FontEditorSessionTest, MissingFileAnsweredNoLeavesFieldAndAbandons)
{
    m_field.text = m_dir.filePath("new.ttf");
    ASSERT_TRUE(m_session.EnsureEditor());
    m_messages.answers = { false };
    EXPECT_FALSE(m_session.OpenFontInEditor());
    EXPECT_EQ(m_messages.questions,
        QStringList { "ファイル" + m_field.text + "は存在しません。新規ファイルで作成しますか？" });
    EXPECT_EQ(m_field.text, m_dir.filePath("new.ttf"));
    EXPECT_FALSE(Called("App.13"));
}

TEST_F(FontEditorSessionTest, MissingFileAnsweredYesCreatesFontSavedToThatPath)
{
    m_field.text = m_dir.filePath("fonts/new.ttf"); // in a folder not made yet
    ASSERT_TRUE(m_session.EnsureEditor());
    m_messages.answers = { true };
    EXPECT_TRUE(m_session.OpenFontInEditor());
    EXPECT_EQ(m_field.text, m_dir.filePath("fonts/new.ttf"));
    EXPECT_TRUE(QDir(m_dir.filePath("fonts")).exists());
    EXPECT_TRUE(EditorCalls().contains("Font.40(" + m_field.text + ")"));
    EXPECT_EQ(m_system.state.strFilePath, m_field.text);
}

// The names come before the font: cancelling them makes no font, as No to
// the question does; accepted names reach the editor once the font has its
// file, so that they replace the ones the editor took from the file.
TEST_F(FontEditorSessionTest, NewFontForAMissingFileIsNamedFirstAndCancellingMakesNone)
{
    m_field.text = m_dir.filePath("てがき.ttf");
    ASSERT_TRUE(m_session.EnsureEditor());
    QList<std::pair<QString, SFontNames>> asked;
    std::optional<SFontNames> answer;
    m_session.Naming().SetNamer([&](const QString& path, const SFontNames& proposed) {
        asked.append({ path, proposed });
        return answer;
    });
    m_messages.answers = { true };
    EXPECT_FALSE(m_session.OpenFontInEditor());
    EXPECT_EQ(asked, (QList<std::pair<QString, SFontNames>> { { m_field.text, { "Tegaki", "てがき" } } }));
    EXPECT_FALSE(Called("App.13"));
    EXPECT_FALSE(QFile::exists(m_field.text));

    answer = SFontNames { "Tegaki Test", "てがきテスト" };
    m_messages.answers = { true };
    EXPECT_TRUE(m_session.OpenFontInEditor());
    const QStringList calls = EditorCalls().filter(QRegularExpression("^(App.13|Font.40|Font.10[45]=)"));
    EXPECT_EQ(calls,
        (QStringList { "App.13(0s,false)", "Font.40(" + m_field.text + ")", "Font.104=(Tegaki Test)",
            "Font.105=(てがきテスト)" }));
    // Written with the font at the latest when the program ends.
    m_session.ReleaseAtExit(QString());
    EXPECT_EQ(EditorCalls().last(), "Font.20");
}

// A new font without a file is named when Save As gives it one, unless the
// user named it already; the command line's names go in without a question.
TEST_F(FontEditorSessionTest, SaveAsOfANewFontNamesItUnlessTheUserDid)
{
    int asked = 0;
    m_session.Naming().SetNamer([&](const QString&, const SFontNames&) -> std::optional<SFontNames> {
        ++asked;
        return std::nullopt;
    });
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false)); // a new font without a file
    EXPECT_FALSE(m_session.SaveFontAs(m_dir.filePath("a.ttf")));
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(Called("Font.40"));

    m_session.MarkFontNamed();
    EXPECT_TRUE(m_session.SaveFontAs(m_dir.filePath("a.ttf")));
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(Called("Font.104="));

    FakeAutomationSystem other;
    FakeFontFileField field;
    field.text = m_dir.filePath("b.ttf");
    CFontEditorSession commandLine { other, m_messages, field };
    commandLine.Naming().SetGivenNames({ "Tegaki Test", {} });
    m_messages.answers = { true };
    ASSERT_TRUE(commandLine.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    EXPECT_EQ(other.state.names[CGlyphsmithTypeface::DISPID_FamilyName], "Tegaki Test");
    EXPECT_EQ(other.state.names[CGlyphsmithTypeface::DISPID_FamilyNameJa], "Tegaki Test");
}

TEST_F(FontEditorSessionTest, OpenFontFailuresShowCodeOrGeneralText)
{
    ASSERT_TRUE(m_session.EnsureEditor());
    m_system.state.faults["App.12"] = EFault::Dispatch;
    EXPECT_FALSE(m_session.OpenFontInEditor());
    m_system.state.faults["App.12"] = EFault::General;
    EXPECT_FALSE(m_session.OpenFontInEditor());
    EXPECT_EQ(m_messages.messages, (QStringList { "エラー:1234\nrefused App.12", "エラーが発生しました" }));
}

TEST_F(FontEditorSessionTest, WriteGlyphRunsImportSequenceAndDeletesFile)
{
    const QString bmp = MakeBmpFile();
    EXPECT_TRUE(m_session.WriteGlyph(bmp, 0x82A0, true));
    EXPECT_TRUE(m_session.IsGlyphWritten());
    EXPECT_FALSE(QFile::exists(bmp));
    QStringList names;
    for (const QString& call : EditorCalls())
        if ((call.startsWith("Font.") && call != "Font.109" && call != "Font.110") || call == "App.22")
            names << call.section('(', 0, 0); // 109, 110: the journal asked once, at opening
    EXPECT_EQ(names, QStringList(std::begin(kImportSequence), std::end(kImportSequence)));
    EXPECT_TRUE(EditorCalls().contains("Font.17(0s,33440,true)"));
    EXPECT_TRUE(EditorCalls().contains("Font.39(" + bmp + ")"));
}

TEST_F(FontEditorSessionTest, RefusedCharacterCodeIsReported)
{
    const QString bmp = MakeBmpFile();
    EXPECT_FALSE(m_session.WriteGlyph(bmp, 0xFFFF, false));
    EXPECT_FALSE(QFile::exists(bmp));
    EXPECT_FALSE(m_session.IsGlyphWritten());
    EXPECT_EQ(m_messages.messages, QStringList { "エラー:2006\nbad code" });
    EXPECT_FALSE(Called("Font.29"));
}

class ImportStepFaultTest : public FontEditorSessionTest,
                            public ::testing::WithParamInterface<std::pair<QString, EFault>> { };

TEST_P(ImportStepFaultTest, FailureAtAnyStepIsReportedAndFileDeleted)
{
    const auto [step, fault] = GetParam();
    m_system.state.faults[step] = fault;
    const QString bmp = MakeBmpFile();
    EXPECT_FALSE(m_session.WriteGlyph(bmp, 0x82A0, false));
    EXPECT_FALSE(QFile::exists(bmp));
    EXPECT_FALSE(m_session.IsGlyphWritten());
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_EQ(
        m_messages.messages[0], fault == EFault::Dispatch ? "エラー:1234\nrefused " + step : "エラーが発生しました");
}

INSTANTIATE_TEST_SUITE_P(Steps, ImportStepFaultTest,
    ::testing::Values(std::pair { QString("App.7="), EFault::General },
        std::pair { QString("App.12"), EFault::Dispatch }, std::pair { QString("App.13"), EFault::General },
        std::pair { QString("Font.17"), EFault::Dispatch }, std::pair { QString("Font.7"), EFault::General },
        std::pair { QString("Font.29"), EFault::Dispatch }, std::pair { QString("Font.37"), EFault::General },
        std::pair { QString("Font.39"), EFault::Dispatch }, std::pair { QString("App.22"), EFault::General },
        std::pair { QString("Font.31"), EFault::Dispatch }));

TEST_F(FontEditorSessionTest, PreservedValueRestoredOnlyForSingleByteCodes)
{
    m_system.state.bStepsChangePreserved = true;
    EXPECT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x41, false));
    EXPECT_EQ(m_system.state.nPreserved, 7);
    EXPECT_TRUE(EditorCalls().contains("Font.7=(7s)"));

    m_system.state.log.clear();
    EXPECT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    EXPECT_EQ(m_system.state.nPreserved, 9);
    EXPECT_FALSE(Called("Font.7="));

    // Unchanged: nothing is put back.
    m_system.state.bStepsChangePreserved = false;
    m_system.state.log.clear();
    EXPECT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x41, false));
    EXPECT_FALSE(Called("Font.7="));
}

TEST_F(FontEditorSessionTest, FileDeletedWhenEditorCannotBeReached)
{
    m_system.bLaunchable = false;
    const QString bmp = MakeBmpFile();
    EXPECT_FALSE(m_session.WriteGlyph(bmp, 0x82A0, false));
    EXPECT_FALSE(QFile::exists(bmp));
}

TEST_F(FontEditorSessionTest, CloseAsksOnlyForUnsavedNewFontWithGlyphs)
{
    EXPECT_TRUE(m_session.QueryClose()); // never connected
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    m_messages.answers = { false, true };
    EXPECT_FALSE(m_session.QueryClose());
    EXPECT_TRUE(m_session.QueryClose());
    EXPECT_EQ(m_messages.questions.size(), 2);
    EXPECT_TRUE(
        m_messages.questions[0].startsWith("新規ファイルとして作成されましたが、まだGlyphsmithで保存されていません。"));

    m_system.state.strFilePath = "/fonts/a.ttf";
    EXPECT_TRUE(m_session.QueryClose());
    EXPECT_EQ(m_messages.questions.size(), 2);

    m_system.state.faults["App.12"] = EFault::General;
    EXPECT_TRUE(m_session.QueryClose());
    EXPECT_TRUE(m_messages.messages.isEmpty());
}

TEST_F(FontEditorSessionTest, ExitSavesFontWithFileAfterGlyphsAndStoresItsPath)
{
    m_field.text = MakeBmpFile();
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    EXPECT_EQ(m_session.ReleaseAtExit("/frame.ttf"), m_field.text);
    EXPECT_TRUE(EditorCalls().contains("Font.20"));
    EXPECT_EQ(m_session.EditorApp(), nullptr);
}

TEST_F(FontEditorSessionTest, ExitWithoutGlyphsOrFileDoesNotSave)
{
    ASSERT_TRUE(m_session.EnsureEditor());
    ASSERT_TRUE(m_session.OpenFontInEditor()); // a new font, no file
    EXPECT_EQ(m_session.ReleaseAtExit("/frame.ttf"), QString());
    EXPECT_FALSE(Called("Font.20"));
}

TEST_F(FontEditorSessionTest, ExitStoresFrameTextWhenNoFontOrNoConnection)
{
    EXPECT_EQ(m_session.ReleaseAtExit("/frame.ttf"), QString("/frame.ttf"));
    ASSERT_TRUE(m_session.EnsureEditor());
    EXPECT_EQ(m_session.ReleaseAtExit("/frame.ttf"), QString("/frame.ttf"));
}

TEST_F(FontEditorSessionTest, ExitSwallowsEditorFailures)
{
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    m_system.state.faults["Font.2"] = EFault::Dispatch;
    EXPECT_EQ(m_session.ReleaseAtExit("/frame.ttf"), std::nullopt);
    EXPECT_TRUE(m_messages.messages.isEmpty());
    EXPECT_EQ(m_session.EditorApp(), nullptr);
}

TEST_F(FontEditorSessionTest, ChosenFileOnlyFillsField)
{
    m_session.OnChooseFontFile("/fonts/b.ttf");
    m_session.OnChooseFontFile(QString());
    EXPECT_EQ(m_field.text, "/fonts/b.ttf");
    EXPECT_TRUE(m_system.log.isEmpty());
}

TEST_F(FontEditorSessionTest, SaveFontAsNeedsAndUsesEditorFont)
{
    EXPECT_FALSE(m_session.HasActiveFont());
    EXPECT_TRUE(m_session.SaveFontAs(m_dir.filePath("c.ttf")));
    EXPECT_TRUE(EditorCalls().contains("Font.40(" + m_dir.filePath("c.ttf") + ")"));
    EXPECT_TRUE(m_session.HasActiveFont());
    m_system.state.faults["Font.40"] = EFault::Dispatch;
    EXPECT_FALSE(m_session.SaveFontAs(m_dir.filePath("d.ttf")));
    EXPECT_EQ(m_messages.messages, QStringList { "エラー:1234\nrefused Font.40" });
}

// Saving for use outside the program: the field's file as it is while no
// editor is attached; a font without a file asks for a name (cancel saves
// nothing); a font with a file is saved to it.
TEST_F(FontEditorSessionTest, SaveFontToFileAsksANameOnlyForANeverSavedFont)
{
    int asked = 0;
    const auto ask = [&](QString answer) {
        return [&asked, answer] {
            ++asked;
            return answer;
        };
    };
    m_field.text = m_dir.filePath("existing.ttf");
    QFile(m_field.text).open(QIODevice::WriteOnly);
    EXPECT_EQ(m_session.SaveFontToFile(ask("unused.ttf")), m_field.text);
    EXPECT_TRUE(m_system.log.isEmpty());

    m_field.text.clear();
    m_system.StartByHand();
    EXPECT_TRUE(m_session.SaveFontToFile(ask(QString())).isEmpty());
    EXPECT_FALSE(Called("Font.40"));
    const QString chosen = m_dir.filePath("chosen.ttf");
    EXPECT_EQ(m_session.SaveFontToFile(ask(chosen)), chosen);
    EXPECT_TRUE(Called("Font.40(" + chosen + ")"));
    EXPECT_EQ(m_field.text, chosen);
    EXPECT_EQ(asked, 2);

    EXPECT_EQ(m_session.SaveFontToFile(ask("unused.ttf")), chosen);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(EditorCalls().last(), "Font.20");
    EXPECT_TRUE(m_messages.messages.isEmpty());
}

// While the preview's copy keeps the editor busy, the command states use the
// last answer and send nothing that would wait behind the copy.
TEST_F(FontEditorSessionTest, ActiveFontQuestionWaitsForNothingWhileEditorIsBusyElsewhere)
{
    m_system.StartByHand()->activeFont = std::make_shared<FakeEditorFont>(m_system.state);
    ASSERT_TRUE(m_session.EnsureEditor());
    EXPECT_TRUE(m_session.HasActiveFont());
    const int calls = int(EditorCalls().size());
    m_session.SetEditorBusyElsewhere(true);
    m_system.running->activeFont.reset();
    EXPECT_TRUE(m_session.HasActiveFont());
    EXPECT_EQ(EditorCalls().size(), calls);
    m_session.SetEditorBusyElsewhere(false);
    EXPECT_FALSE(m_session.HasActiveFont());
}

TEST_F(FontEditorSessionTest, LongDescriptionIsShortened)
{
    m_session.ReportEditorError(QString(2000, 'x'));
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_EQ(m_messages.messages[0].size(), 500);
    EXPECT_TRUE(m_messages.messages[0].endsWith(QChar(0x2026)));
}

// The data folder of the program, kept inside the test's own folder.
class ExitRecoveryTest : public FontEditorSessionTest {
protected:
    void SetUp() override { qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data"))); }
    void TearDown() override { qunsetenv("XDG_DATA_HOME"); }
    // The files handed to SaveCopy (or to SaveAs, the dispid given).
    QStringList SavedTo(const QString& dispId) const
    {
        QStringList paths;
        for (const QString& call : EditorCalls())
            if (call.startsWith("Font." + dispId + "("))
                paths << call.mid(dispId.size() + 6).chopped(1);
        return paths;
    }
};

TEST_F(ExitRecoveryTest, FailedSaveAsksForAnotherNameThenKeepsARecoveryCopy)
{
    m_field.text = MakeBmpFile(); // an existing file, opened
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    m_system.state.faults["Font.20"] = EFault::Dispatch;
    m_system.state.faults["Font.40"] = EFault::Dispatch;
    QStringList offered;
    m_session.SetSaveAsChooser([&](const QString& current) {
        offered << current;
        return m_dir.filePath("other.ttf");
    });
    m_messages.answers = { true, false };

    EXPECT_EQ(m_session.ReleaseAtExit("/frame.ttf"), m_field.text);
    ASSERT_EQ(m_messages.questions.size(), 2);
    EXPECT_TRUE(m_messages.questions[0].contains(m_field.text));
    EXPECT_TRUE(m_messages.questions[0].contains("原因：refused Font.20"));
    EXPECT_TRUE(m_messages.questions[0].endsWith("別の名前で保存しますか？"));
    EXPECT_TRUE(m_messages.questions[1].contains(m_dir.filePath("other.ttf")));
    EXPECT_TRUE(m_messages.questions[1].contains("refused Font.40"));
    EXPECT_EQ(offered, QStringList { m_field.text });

    const QStringList copies = SavedTo("103");
    ASSERT_EQ(copies.size(), 1);
    EXPECT_TRUE(copies[0].startsWith(CExitSave::RecoveryFolder() + "/QL0-")) << copies[0].toStdString();
    EXPECT_TRUE(copies[0].endsWith(".ttf"));
    EXPECT_TRUE(QFileInfo(CExitSave::RecoveryFolder()).isDir());
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages[0].contains(copies[0]));
    EXPECT_TRUE(m_session.IsExitSaveFailed());
}

TEST_F(ExitRecoveryTest, AnotherNameThatSavesBecomesTheStoredPath)
{
    m_field.text = MakeBmpFile();
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    m_system.state.faults["Font.20"] = EFault::Dispatch;
    m_session.SetSaveAsChooser([&](const QString&) { return m_dir.filePath("other.ttf"); });
    m_messages.answers = { true };
    EXPECT_EQ(m_session.ReleaseAtExit("/frame.ttf"), m_dir.filePath("other.ttf"));
    EXPECT_EQ(SavedTo("40"), QStringList { m_dir.filePath("other.ttf") });
    EXPECT_TRUE(SavedTo("103").isEmpty());
    EXPECT_TRUE(m_messages.messages.isEmpty());
    EXPECT_FALSE(m_session.IsExitSaveFailed());
}

// quillery-autocreate has no dialog to offer: the failure is reported and the
// copy kept. A connection lost during the save leaves nothing to copy from,
// and says so.
TEST_F(ExitRecoveryTest, WithoutDialogOrConnectionTheFailureIsReported)
{
    m_field.text = MakeBmpFile();
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    m_system.state.faults["Font.20"] = EFault::Dispatch;
    m_session.ReleaseAtExit(QString());
    EXPECT_TRUE(m_messages.questions.isEmpty());
    ASSERT_EQ(m_messages.messages.size(), 2);
    EXPECT_TRUE(m_messages.messages[0].startsWith("フォントファイル" + m_field.text + "を保存できませんでした。"));
    EXPECT_EQ(SavedTo("103").size(), 1);
    EXPECT_TRUE(m_session.IsExitSaveFailed());

    m_messages.messages.clear();
    m_system.state.log.clear();
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    m_system.state.faults["Font.20"] = EFault::General;
    m_session.ReleaseAtExit(QString());
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages[0].contains("接続が切れました"));
    EXPECT_TRUE(SavedTo("103").isEmpty());
}

TEST_F(ExitRecoveryTest, NewFontLeftWithoutFileIsCopiedAlsoByAnEditorWithoutSaveCopy)
{
    m_system.state.lacking = { CGlyphsmithTypeface::DISPID_SaveCopy };
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    m_messages.answers = { true };
    ASSERT_TRUE(m_session.QueryClose());
    EXPECT_EQ(m_session.ReleaseAtExit("/frame.ttf"), QString());
    const QStringList copies = SavedTo("40");
    ASSERT_EQ(copies.size(), 1);
    EXPECT_TRUE(copies[0].startsWith(CExitSave::RecoveryFolder() + "/新規フォント-"));
    ASSERT_EQ(m_messages.informations.size(), 1);
    EXPECT_TRUE(m_messages.informations[0].contains(copies[0]));
    EXPECT_TRUE(m_messages.messages.isEmpty());
    EXPECT_FALSE(Called("Font.20"));
}

TEST_F(FontEditorSessionTest, GlyphsBroughtBackByTheEditorAreToldOnce)
{
    m_system.state.nRecovered = 3;
    m_field.text = MakeBmpFile();
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    ASSERT_TRUE(m_session.WriteGlyph(MakeBmpFile(), 0x82A2, false)); // the open font, not opened again
    EXPECT_EQ(m_messages.informations, QStringList { "前回保存されずに終わった作業から、3個の文字を復旧しました。" });
    EXPECT_TRUE(m_messages.messages.isEmpty());

    FakeAutomationSystem older;
    older.state.lacking = { CGlyphsmithTypeface::DISPID_RecoveredGlyphs };
    CFontEditorSession session { older, m_messages, m_field };
    m_messages.informations.clear();
    EXPECT_TRUE(session.WriteGlyph(MakeBmpFile(), 0x82A0, false));
    EXPECT_TRUE(m_messages.informations.isEmpty());
    EXPECT_TRUE(m_messages.messages.isEmpty());
}

TEST(DriverTest, CallWithoutInterfaceIsAutomationFailure)
{
    CGlyphsmithTypeface font;
    EXPECT_THROW(font.Save(), CAutomationFailure);
    EXPECT_THROW(CDispValue::String("x").ToShort(), CAutomationFailure);
}

} // namespace
