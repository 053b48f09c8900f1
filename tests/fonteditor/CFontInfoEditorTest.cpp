#include "fonteditor/CFontInfoEditor.h"

#include "FakeGlyphsmith.h"
#include "fonteditor/CFontEditorSession.h"
#include "support/FakeMessageBox.h"

#include <gtest/gtest.h>

namespace {

using F = CGlyphsmithTypeface;

TEST(FontInfoRulesTest, RefusesWhatAFontNameTableCannotCarry)
{
    const auto problem = [](SFontInfo::EField field, const QString& value) {
        return CFontInfoEditor::Problem(field, value);
    };
    for (int f = 0; f < SFontInfo::FieldCount; ++f) {
        EXPECT_FALSE(problem(SFontInfo::EField(f), QString()).isEmpty()) << f;
        EXPECT_FALSE(problem(SFontInfo::EField(f), "a\tb").isEmpty()) << f;
    }
    EXPECT_TRUE(problem(SFontInfo::FamilyName, "Tegaki Mincho 2").isEmpty());
    EXPECT_EQ(problem(SFontInfo::FamilyName, "手書き"), "英語のファミリー名には半角の英数字と記号だけを使ってください。");
    EXPECT_TRUE(problem(SFontInfo::FamilyName, QString(31, 'a')).isEmpty());
    EXPECT_FALSE(problem(SFontInfo::FamilyName, QString(32, 'a')).isEmpty());
    EXPECT_TRUE(problem(SFontInfo::FamilyNameJa, "手書き明朝").isEmpty());
    EXPECT_FALSE(problem(SFontInfo::FamilyNameJa, QString(32, QChar(0x3042))).isEmpty());
    for (const char* good : { "1", "1.5", "1.003", "32767.999" })
        EXPECT_TRUE(problem(SFontInfo::Version, good).isEmpty()) << good;
    for (const char* bad : { "1.", ".5", "1.0001", "v1.0", "1,0", "32768.0", "-1.0" })
        EXPECT_FALSE(problem(SFontInfo::Version, bad).isEmpty()) << bad;
    EXPECT_TRUE(problem(SFontInfo::Copyright, "(c) 2026 山田").isEmpty());

    const SFontInfo normal = CFontInfoEditor::Normalized({ " Hand ", "手書き ", " 01.5", "c " });
    EXPECT_EQ(normal, (SFontInfo { "Hand", "手書き", "1.500", "c" }));
    EXPECT_EQ(CFontInfoEditor::Normalized({ "a", "b", "2", "c" }).version, "2.000");
}

class FontInfoEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_system.state.names = { { F::DISPID_FamilyName, "Hand" }, { F::DISPID_FamilyNameJa, "手書き" },
            { F::DISPID_FontVersion, "1.003" }, { F::DISPID_Copyright, "(c) me" } };
    }
    QStringList Puts() const { return m_system.state.log.filter("="); }

    FakeAutomationSystem m_system;
    FakeMessageBox m_messages;
    FakeFontFileField m_field;
    CFontEditorSession m_session { m_system, m_messages, m_field };
    CFontInfoEditor m_info { m_session, m_messages };
};

TEST_F(FontInfoEditorTest, SendsOnlyWhatChangedAndTheExitSavesIt)
{
    const auto loaded = m_info.Load();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(*loaded, (SFontInfo { "Hand", "手書き", "1.003", "(c) me" }));

    SFontInfo edited = *loaded;
    edited.familyName = "手書き"; // not ASCII: refused, nothing sent
    const auto refused = m_info.Submit(*loaded, edited);
    EXPECT_FALSE(refused.bAccepted);
    EXPECT_EQ(refused.field, SFontInfo::FamilyName);
    EXPECT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(Puts().filter("Font.10").isEmpty());

    edited.familyName = " Hand ";
    edited.familyNameJa = "手書き明朝";
    edited.version = "2";
    EXPECT_TRUE(m_info.Submit(*loaded, edited).bAccepted);
    EXPECT_EQ(Puts().filter("Font.10"), (QStringList { "Font.105=(手書き明朝)", "Font.106=(2.000)" }));

    // The names of a new font without a file are work the close asks about.
    m_messages.answers = { false };
    EXPECT_FALSE(m_session.QueryClose());
}

TEST_F(FontInfoEditorTest, EditorWithoutTheMembersIsExplainedOnceThenOffered)
{
    m_system.state.lacking = { F::DISPID_FamilyNameJa };
    EXPECT_TRUE(m_info.IsAvailable());
    EXPECT_FALSE(m_info.Load());
    EXPECT_FALSE(m_info.IsAvailable());
    EXPECT_FALSE(m_info.Load());
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages[0].contains("フォント情報は編集できません"));

    // A refusal by the editor keeps the dialog open on the field.
    FakeAutomationSystem other;
    CFontEditorSession session { other, m_messages, m_field };
    CFontInfoEditor info { session, m_messages };
    other.state.faults["Font.107="] = FakeEditorState::EFault::Dispatch;
    const auto loaded = info.Load();
    ASSERT_TRUE(loaded);
    SFontInfo edited = { "A", "あ", "1.000", "(c) you" };
    const auto verdict = info.Submit(*loaded, edited);
    EXPECT_FALSE(verdict.bAccepted);
    EXPECT_EQ(verdict.field, SFontInfo::Copyright);
    EXPECT_EQ(m_messages.messages.last(), "エラー:1234\nrefused Font.107=");
}

} // namespace
