#include "fonteditor/CDefaultFontNames.h"

#include "fonteditor/CFontInfoEditor.h"
#include "fonteditor/CNewFontNaming.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

// The table the font editor's own proposals are held to as well.
QJsonObject Cases()
{
    QFile file(QStringLiteral(DEFAULT_FONT_NAMES_CASES));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << DEFAULT_FONT_NAMES_CASES;
    return QJsonDocument::fromJson(file.readAll()).object();
}

void ExpectTable(const QJsonArray& table, const CKakasi& kakasi)
{
    ASSERT_FALSE(table.isEmpty());
    for (const QJsonValue& row : table) {
        const QJsonArray c = row.toArray();
        const QString stem = c[0].toString();
        const SFontNames names = CDefaultFontNames::ForStem(stem, kakasi);
        EXPECT_EQ(names.family.toStdString(), c[1].toString().toStdString()) << qPrintable(stem);
        EXPECT_EQ(names.familyJa.toStdString(), c[2].toString().toStdString()) << qPrintable(stem);
        EXPECT_TRUE(CFontInfoEditor::Problem(SFontInfo::FamilyName, names.family).isEmpty()) << qPrintable(stem);
        EXPECT_TRUE(CFontInfoEditor::Problem(SFontInfo::FamilyNameJa, names.familyJa).isEmpty()) << qPrintable(stem);
    }
}

// Whatever the file is called, the proposed names are the editor's, the
// font information rules accept them, and the English one can be read.
TEST(DefaultFontNamesTest, NamesFromTheStemMatchTheEditorsWithKakasi)
{
    const QJsonObject cases = Cases();
    ExpectTable(cases[QStringLiteral("with_kakasi")].toArray(), CKakasi());
    for (const QJsonValue& row : cases[QStringLiteral("stems")].toArray()) {
        const QJsonArray c = row.toArray();
        EXPECT_EQ(CDefaultFontNames::For(c[0].toString()), CDefaultFontNames::ForStem(c[1].toString()))
            << qPrintable(c[0].toString());
    }
}

// kakasi missing, or answering nothing: the Japanese is left out, and a
// name with nothing else gets the plain default.
TEST(DefaultFontNamesTest, WithoutKakasiTheNamesFallBackAsTheEditorsDo)
{
    const QJsonArray table = Cases()[QStringLiteral("without_kakasi")].toArray();
    for (const char* program : { "/nonexistent/kakasi", "true" }) {
        SCOPED_TRACE(program);
        ExpectTable(table, CKakasi(QString::fromLatin1(program)));
    }
}

// Names given beforehand win; a Japanese name not given follows the English
// one given, and what is not given at all comes from the file.
TEST(DefaultFontNamesTest, GivenNamesAreCompletedFromTheFile)
{
    const QString file = QStringLiteral("/f/てがき.ttf");
    EXPECT_EQ(CNewFontNaming::Completed({}, file), (SFontNames { "Tegaki", "てがき" }));
    EXPECT_EQ(CNewFontNaming::Completed({ "Tegaki Test", {} }, file), (SFontNames { "Tegaki Test", "Tegaki Test" }));
    EXPECT_EQ(CNewFontNaming::Completed({ {}, "てがきテスト" }, file), (SFontNames { "Tegaki", "てがきテスト" }));
}

} // namespace
