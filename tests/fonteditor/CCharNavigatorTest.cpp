#include "fonteditor/CCharNavigator.h"
#include "fonteditor/CVerticalCharTable.h"
#include "strokes/CodePage932.h"
#include "support/FakeMessageBox.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

namespace {

// The dialog bar, the view and an editor whose font takes the codes that
// `takes` accepts and refuses the others with 2006.
class FakeNavigationHost : public ICharNavigationHost
{
public:
    bool HasEditor() const override { return connected; }
    bool ConnectEditor() override { return connected = canConnect; }
    bool OpenFontInEditor() override { return hasFont; }
    GlyphSelection SelectGlyph(quint16 code, bool vertical) override
    {
        selected.push_back({code, vertical});
        if (const auto it = failures.find(code); it != failures.end())
            return it->second;
        if (takes(code))
            return {};
        return {GlyphSelection::Status::Refused, GlyphSelection::kRefusedCode, {}};
    }
    void ReportEditorError(const QString& text) override { errors << text; }

    QByteArray GetCharText() const override { return field; }
    void SetCharText(const QByteArray& ch) override
    {
        field = ch;
        if (navigator)
            navigator->OnCharChanged();
    }
    bool IsVerticalChecked() const override { return checked; }
    void EnableVertical(bool enable) override
    {
        enabled = enable;
        if (!enable)
            checked = false;
    }

    QByteArray CurrentChar() const override { return ch; }
    void SetCurrentChar(const QByteArray& c) override { ch = c; }
    bool IsAutoCreating() const override { return autoCreating; }
    bool IsAutoCreateRunning() const override { return running; }
    void Repaint() override { ++repaints; }
    void ClearCanvasAndHistory() override { ++clears; }

    void Start(quint16 code, bool vertical = false)
    {
        ch = field = CharFromCode(code);
        checked = enabled = vertical;
    }

    CCharNavigator* navigator = nullptr;
    bool connected = true;
    bool canConnect = true;
    bool hasFont = true;
    std::function<bool(quint16)> takes = [](quint16) { return true; };
    std::map<quint16, GlyphSelection> failures;
    std::vector<std::pair<quint16, bool>> selected;
    QStringList errors;
    QByteArray field;
    QByteArray ch;
    bool checked = false;
    bool enabled = false;
    bool autoCreating = false;
    bool running = false;
    int repaints = 0;
    int clears = 0;
};

class CharNavigatorTest : public ::testing::Test
{
protected:
    CharNavigatorTest() { host.navigator = &nav; }

    // The first n codes the editor was asked to select.
    std::vector<quint16> FirstSelected(size_t n) const
    {
        std::vector<quint16> codes;
        for (size_t i = 0; i < n && i < host.selected.size(); ++i)
            codes.push_back(host.selected[i].first);
        return codes;
    }

    FakeNavigationHost host;
    FakeMessageBox box;
    CCharNavigator nav{host, box};
};

} // namespace

TEST(VerticalCharTableTest, HoldsTheVerticalFormsInAscendingOrder)
{
    ASSERT_TRUE(std::is_sorted(VerticalCharTable.begin(), VerticalCharTable.end()));
    ASSERT_EQ(std::adjacent_find(VerticalCharTable.begin(), VerticalCharTable.end()), VerticalCharTable.end());
    QByteArray bytes;
    for (quint16 code : VerticalCharTable)
        bytes += CharFromCode(code);
    bool ok = false;
    EXPECT_EQ(Cp932ToString(bytes, &ok),
              QString::fromUtf8("、。，．￣＿ー―‐～∥｜…‥“”（）〔〕［］｛｝〈〉《》「」『』【】＝→←↑↓〓"
                                "ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ"
                                "─│┌┐┘└├┬┤┴┼━┃┏┓┛┗┣┳┫┻╋┠┯┨┷┿┝┰┥┸╂"
                                "㍉㌔㌢㍍㌘㌧㌃㌶㍑㍗㌍㌦㌣㌫㍊㌻〝〟"));
    EXPECT_TRUE(ok);
}

TEST(VerticalCharTableTest, LookupAndNeighbours)
{
    EXPECT_TRUE(IsVerticalChar(0x82A1));
    EXPECT_FALSE(IsVerticalChar(0x82A0));
    EXPECT_FALSE(IsVerticalChar(0));
    EXPECT_EQ(NextVerticalChar(0x82A0), 0x82A1);
    EXPECT_EQ(NextVerticalChar(0x82A1), 0x82A3);
    EXPECT_EQ(NextVerticalChar(0), 0x8141);
    EXPECT_EQ(NextVerticalChar(0x8781), 0);
    EXPECT_EQ(PrevVerticalChar(0x82A1), 0x829F);
    EXPECT_EQ(PrevVerticalChar(0xFFFF), 0x8781);
    EXPECT_EQ(PrevVerticalChar(0x8141), 0);
}

TEST(CharNavigatorStepTest, PlainWalkJumpsBetweenRangesAndStopsAtTheEnds)
{
    using D = CCharNavigator::Direction;
    EXPECT_EQ(CCharNavigator::PlainStep(0x20, D::Next), 0x21);
    EXPECT_EQ(CCharNavigator::PlainStep(0xFE, D::Next), 0x8140);
    EXPECT_EQ(CCharNavigator::PlainStep(0x9FFE, D::Next), 0xE040);
    EXPECT_EQ(CCharNavigator::PlainStep(0xEEEB, D::Next), 0xEEEC);
    EXPECT_EQ(CCharNavigator::PlainStep(0xEEEC, D::Next), std::nullopt);
    EXPECT_EQ(CCharNavigator::PlainStep(0, D::Next), 1);
    EXPECT_EQ(CCharNavigator::PlainStep(0x8140, D::Prev), 0xFE);
    EXPECT_EQ(CCharNavigator::PlainStep(0xE040, D::Prev), 0x9FFE);
    EXPECT_EQ(CCharNavigator::PlainStep(0x21, D::Prev), 0x20);
    EXPECT_EQ(CCharNavigator::PlainStep(0x20, D::Prev), std::nullopt);
    EXPECT_EQ(CCharNavigator::PlainStep(0, D::Prev), 0xFFFF);
}

TEST_F(CharNavigatorTest, NextFromAGoesToSmallIAndEnablesTheBox)
{
    host.Start(0x82A0);
    nav.OnNextChar();
    EXPECT_EQ(host.field, QByteArray("\x82\xa1"));
    EXPECT_EQ(host.ch, QByteArray("\x82\xa1"));
    EXPECT_TRUE(host.enabled);
    EXPECT_FALSE(host.checked);
    EXPECT_GE(host.clears, 1);
    ASSERT_FALSE(host.selected.empty());
    EXPECT_EQ(host.selected.front(), std::make_pair(quint16(0x82A1), false));
}

TEST_F(CharNavigatorTest, WithTheBoxOnTheWalkFollowsTheTable)
{
    host.Start(0x82A1, true);
    nav.OnNextChar();
    EXPECT_EQ(CharCode(host.ch), 0x82A3);
    EXPECT_TRUE(host.checked);
    EXPECT_EQ(host.selected.front(), std::make_pair(quint16(0x82A3), true));
    host.Start(0x82A1, true);
    nav.OnPrevChar();
    EXPECT_EQ(CharCode(host.ch), 0x829F);
    EXPECT_TRUE(box.messages.isEmpty());
}

TEST_F(CharNavigatorTest, TableEndsAreAnnounced)
{
    host.Start(0x8781, true);
    nav.OnNextChar();
    EXPECT_EQ(box.messages, QStringList{QString::fromUtf8("この後に縦書き専用文字はありません")});
    EXPECT_EQ(CharCode(host.ch), 0x8781);
    host.Start(0x8141, true);
    nav.OnPrevChar();
    EXPECT_EQ(box.messages.value(1), QString::fromUtf8("この前に縦書き専用文字はありません"));
    EXPECT_EQ(CharCode(host.ch), 0x8141);
    EXPECT_TRUE(host.selected.empty());
    EXPECT_EQ(host.clears, 0);
}

TEST_F(CharNavigatorTest, RefusedCodesArePassedOverAcrossRanges)
{
    host.takes = [](quint16 code) { return code < 0x9FFD || code >= 0xE040; };
    host.Start(0x9FFC);
    nav.OnNextChar();
    EXPECT_EQ(FirstSelected(3), (std::vector<quint16>{0x9FFD, 0x9FFE, 0xE040}));
    EXPECT_EQ(CharCode(host.ch), 0xE040);
    EXPECT_TRUE(host.errors.isEmpty());

    host.selected.clear();
    host.takes = [](quint16 code) { return code != 0x9FFE; };
    nav.OnPrevChar();
    EXPECT_EQ(host.selected.at(0).first, 0x9FFE);
    EXPECT_EQ(host.selected.at(1).first, 0x9FFD);
    EXPECT_EQ(CharCode(host.ch), 0x9FFD);

    host.Start(0xFE);
    nav.OnNextChar();
    EXPECT_EQ(CharCode(host.ch), 0x8140);
    nav.OnPrevChar();
    EXPECT_EQ(CharCode(host.ch), 0xFE);
}

TEST_F(CharNavigatorTest, RangeEndsStopSilently)
{
    host.Start(0xEEEC);
    nav.OnNextChar();
    host.Start(0x20);
    nav.OnPrevChar();
    EXPECT_TRUE(host.selected.empty());
    EXPECT_TRUE(box.messages.isEmpty());
    EXPECT_EQ(host.clears, 0);
    host.Start(0x21);
    nav.OnPrevChar();
    EXPECT_EQ(host.field, QByteArray(" "));
}

TEST_F(CharNavigatorTest, EmptyCharacterWalksUpUntilTheEditorTakesOne)
{
    host.takes = [](quint16 code) { return code >= 4; };
    host.Start(0);
    host.ch.clear();
    nav.OnNextChar();
    EXPECT_EQ(FirstSelected(4), (std::vector<quint16>{1, 2, 3, 4}));
    EXPECT_EQ(host.field, QByteArray("\x04"));
}

TEST_F(CharNavigatorTest, OtherEditorFailuresAreReportedAndChangeNothing)
{
    host.failures[0x82A1] = {GlyphSelection::Status::DispatchError, 5, "bad glyph"};
    host.failures[0x82A2] = {GlyphSelection::Status::Failed, 0, {}};
    host.Start(0x82A0);
    nav.OnNextChar();
    host.Start(0x82A3);
    nav.OnPrevChar();
    EXPECT_EQ(host.errors, (QStringList{QString::fromUtf8("エラー:5\nbad glyph"), QString::fromUtf8("エラーが発生しました")}));
    EXPECT_EQ(CharCode(host.ch), 0x82A3);
    EXPECT_EQ(host.clears, 0);
}

TEST_F(CharNavigatorTest, NothingHappensWithoutEditorOrFont)
{
    host.connected = false;
    host.canConnect = false;
    host.Start(0x82A0);
    nav.OnNextChar();
    host.canConnect = true;
    host.hasFont = false;
    nav.OnNextChar();
    EXPECT_TRUE(host.selected.empty());
    EXPECT_EQ(CharCode(host.ch), 0x82A0);
}

TEST_F(CharNavigatorTest, FieldChangesFollowTheRulesOfTheField)
{
    host.Start(0x82A1, true);
    host.field = "\x82\xa0"; // あ, not in the table
    nav.OnCharChanged();
    EXPECT_EQ(host.ch, QByteArray("\x82\xa0"));
    EXPECT_FALSE(host.enabled);
    EXPECT_FALSE(host.checked);
    EXPECT_EQ(host.repaints, 1);
    EXPECT_EQ(host.clears, 1);
    EXPECT_EQ(host.selected.back(), std::make_pair(quint16(0x82A0), false));

    host.field = "ab";
    nav.OnCharChanged();
    EXPECT_EQ(host.ch, QByteArray("a"));
    EXPECT_EQ(host.field, QByteArray("ab"));

    host.field.clear();
    nav.OnCharChanged();
    EXPECT_TRUE(host.ch.isEmpty());

    // Editor failures while following the field stay silent.
    host.failures[0x82A2] = {GlyphSelection::Status::DispatchError, 9, "x"};
    host.field = "\x82\xa2";
    nav.OnCharChanged();
    EXPECT_TRUE(host.errors.isEmpty());
}

TEST_F(CharNavigatorTest, AutomaticCreationKeepsFieldAndBoxChangesOut)
{
    host.Start(0x82A1, true);
    host.autoCreating = true;
    host.field = "A";
    nav.OnCharChanged();
    nav.OnVerticalClicked();
    EXPECT_EQ(host.ch, QByteArray("\x82\xa1"));
    EXPECT_EQ(host.clears, 0);
    EXPECT_TRUE(host.selected.empty());

    // Between files of a run the user can neither type nor step.
    host.autoCreating = false;
    host.running = true;
    nav.OnCharChanged();
    nav.OnVerticalClicked();
    nav.OnNextChar();
    nav.OnPrevChar();
    EXPECT_EQ(host.ch, QByteArray("\x82\xa1"));
    EXPECT_TRUE(host.selected.empty());

    host.running = false;
    nav.OnVerticalClicked();
    EXPECT_EQ(host.clears, 1);
    EXPECT_EQ(host.selected.back(), std::make_pair(quint16(0x82A1), true));
}
