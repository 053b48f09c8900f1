#pragma once

#include "fonteditor/CDefaultFontNames.h"

#include <QString>
#include <functional>
#include <optional>

class CGlyphsmithTypeface;

// Naming a new font as it gets its file: the window asks the user, with the
// names of the file proposed; the command line takes the names it was
// given, and the proposed ones for what it was not given.
class CNewFontNaming {
public:
    // Shows the proposed names for the new font's file; the names the user
    // confirmed, or none when the user cancelled the new font.
    using Namer = std::function<std::optional<SFontNames>(const QString& fontPath, const SFontNames& proposed)>;

    void SetNamer(Namer namer) { m_namer = std::move(namer); }
    // Names chosen beforehand; an empty one is proposed from the file. A
    // Japanese name not given is the English one given, so that the font
    // shows one name everywhere.
    void SetGivenNames(const SFontNames& given) { m_given = given; }

    // The names for a new font about to get the file at fontPath; none when
    // the user cancelled.
    std::optional<SFontNames> Ask(const QString& fontPath) const;
    // The names given beforehand over the ones proposed for the file.
    static SFontNames Completed(const SFontNames& given, const QString& fontPath);
    // Puts the names into the font; false for an editor without the
    // members, which keeps the names it chose itself.
    static bool Put(const CGlyphsmithTypeface& font, const SFontNames& names);

private:
    Namer m_namer;
    SFontNames m_given;
};
