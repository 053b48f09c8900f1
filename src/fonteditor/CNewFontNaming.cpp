#include "fonteditor/CNewFontNaming.h"

#include "fonteditor/CAutomationFailure.h"
#include "fonteditor/CGlyphsmithTypeface.h"

std::optional<SFontNames> CNewFontNaming::Ask(const QString& fontPath) const
{
    const SFontNames proposed = Completed(m_given, fontPath);
    return m_namer ? m_namer(fontPath, proposed) : std::optional(proposed);
}

SFontNames CNewFontNaming::Completed(const SFontNames& given, const QString& fontPath)
{
    const SFontNames proposed = CDefaultFontNames::For(fontPath);
    SFontNames names;
    names.family = given.family.isEmpty() ? proposed.family : given.family;
    names.familyJa = !given.familyJa.isEmpty() ? given.familyJa
        : !given.family.isEmpty()              ? given.family
                                               : proposed.familyJa;
    return names;
}

bool CNewFontNaming::Put(const CGlyphsmithTypeface& font, const SFontNames& names)
{
    try {
        font.SetFamilyName(names.family);
        font.SetFamilyNameJa(names.familyJa);
        return true;
    } catch (const CMissingMember&) {
        return false;
    }
}
