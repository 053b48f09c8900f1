#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

// What tests/fonteditor/check_font.py finds in a font file (fontTools, the
// OpenType sanitizer, fc-scan); any problem it reports fails the test.
// The test target defines CHECK_FONT_SCRIPT.
inline QJsonObject CheckFont(const QString& ttf)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(CHECK_FONT_SCRIPT), ttf});
    EXPECT_TRUE(python.waitForFinished(60'000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().constData();
    const QJsonObject font = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    EXPECT_TRUE(font["problems"].toArray().isEmpty())
        << QJsonDocument(font["problems"].toArray()).toJson(QJsonDocument::Compact).constData();
    return font;
}

// The character is mapped to a glyph that has contours.
inline bool HasOutline(const QJsonObject& font, int unicode)
{
    const QString glyph = font["cmap"].toObject()[QString::number(unicode)].toString();
    return !glyph.isEmpty() && font["boxes"].toObject().contains(glyph);
}
