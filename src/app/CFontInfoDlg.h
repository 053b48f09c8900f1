#pragma once

#include "fonteditor/CFontInfoEditor.h"

#include <QDialog>
#include <array>
#include <functional>

class QLineEdit;

// The font information dialog: the English and Japanese family names, the
// version and the copyright of the editor's font. OK hands the edited values
// to the rules, which say whether they go in; on refusal the dialog stays
// open on the field concerned. For a new font about to get its file it shows
// the family names alone, with the file they are for.
class CFontInfoDlg : public QDialog
{
    Q_OBJECT

public:
    using Submit = std::function<CFontInfoEditor::SVerdict(const SFontInfo& edited)>;

    // With newFontPath, the names of a new font for that file: OK makes the
    // font, Cancel makes none.
    CFontInfoDlg(const SFontInfo& info, Submit submit, QWidget* parent = nullptr,
                 const QString& newFontPath = QString());

    // The values of the fields shown (the others are empty).
    SFontInfo Values() const;
    // The field, or null when it is not shown.
    QLineEdit* Field(SFontInfo::EField field) const { return m_fields[field]; }

public slots:
    void accept() override;

private:
    Submit m_submit;
    std::array<QLineEdit*, SFontInfo::FieldCount> m_fields {};
};
