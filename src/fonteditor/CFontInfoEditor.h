#pragma once

#include <QString>
#include <functional>
#include <optional>

class CFontEditorSession;
class IMessageBox;

// The names a font carries about itself, as the font information dialog
// edits them.
struct SFontInfo {
    enum EField { FamilyName, FamilyNameJa, Version, Copyright, FieldCount };

    QString familyName;
    QString familyNameJa;
    QString version;
    QString copyright;

    QString& operator[](EField field);
    const QString& operator[](EField field) const;
    bool operator==(const SFontInfo&) const = default;
};

// The rules of the font information command: what is read from the editor's
// font, what an edited value must look like, and which values go back to the
// editor. The dialog only shows the values and forwards OK here.
class CFontInfoEditor {
public:
    CFontInfoEditor(CFontEditorSession& session, IMessageBox& messages);

    // False once the editor has shown that it cannot edit these names.
    bool IsAvailable() const;
    // Connects, takes the editor's font and reads its names; nothing (after a
    // message) when that is not possible.
    std::optional<SFontInfo> Load();

    // Whether an edited set can go into the font. On refusal the message has
    // been shown and the field to go back to is given.
    struct SVerdict {
        bool bAccepted = true;
        SFontInfo::EField field = SFontInfo::FamilyName;
    };
    SVerdict Submit(const SFontInfo& loaded, const SFontInfo& edited);
    // The family names of a new font, checked as Submit checks them; nothing
    // is sent, as the font is made only once they are accepted.
    SVerdict CheckNames(const SFontInfo& edited);

    // The edited set as it will be stored: surrounding blanks dropped and the
    // version written with three decimals ("1" and "1.5" are 1.000 and 1.500).
    static SFontInfo Normalized(const SFontInfo& edited);
    // The message refusing one value, empty when it is acceptable.
    static QString Problem(SFontInfo::EField field, const QString& value);

    // Longest family name that every system shows whole.
    static constexpr int kMaxFamilyName = 31;
    static constexpr int kMaxCopyright = 500;

private:
    // The first of the fields up to fieldCount that cannot go into a font,
    // told to the user.
    SVerdict Check(const SFontInfo& info, int fieldCount);
    bool Send(SFontInfo::EField field, const QString& value);
    void ExplainMissing();
    bool Guarded(const std::function<bool()>& operation);

    CFontEditorSession& m_session;
    IMessageBox& m_messages;
    bool m_bExplained = false;
};
