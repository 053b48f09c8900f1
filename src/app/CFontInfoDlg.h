#pragma once

#include "fonteditor/CFontInfoEditor.h"

#include <QDialog>
#include <array>
#include <functional>

class QLineEdit;

// The font information dialog: the English and Japanese family names, the
// version and the copyright of the editor's font. OK hands the edited values
// to the rules, which say whether they go in; on refusal the dialog stays
// open on the field concerned.
class CFontInfoDlg : public QDialog
{
    Q_OBJECT

public:
    using Submit = std::function<CFontInfoEditor::SVerdict(const SFontInfo& edited)>;

    CFontInfoDlg(const SFontInfo& info, Submit submit, QWidget* parent = nullptr);

    SFontInfo Values() const;
    QLineEdit* Field(SFontInfo::EField field) const { return m_fields[field]; }

public slots:
    void accept() override;

private:
    Submit m_submit;
    std::array<QLineEdit*, SFontInfo::FieldCount> m_fields {};
};
