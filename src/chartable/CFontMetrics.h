#pragma once

#include <QString>
#include <optional>

// The font's vertical metrics and full-width advance in font units (member
// Metrics: "<em> <ascent> <descent> <advance>"), which place an outline in
// its cell. The defaults are those of a new font of the editor.
struct CFontMetrics
{
    double em = 1000;
    double ascent = 880;
    double descent = 120;
    double advance = 1000;

    // Nothing for a damaged answer: four positive numbers within reason.
    static std::optional<CFontMetrics> Parse(const QString& text);
    // Single-byte characters are half as wide.
    double AdvanceOf(quint16 code) const { return code <= 0xFF ? advance / 2 : advance; }
};
