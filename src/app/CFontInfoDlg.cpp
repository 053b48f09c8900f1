#include "app/CFontInfoDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CFontInfoDlg::CFontInfoDlg(const SFontInfo& info, Submit submit, QWidget* parent, const QString& newFontPath)
    : QDialog(parent)
    , m_submit(std::move(submit))
{
    const bool newFont = !newFontPath.isEmpty();
    setWindowTitle(QStringLiteral("フォント情報"));
    struct Row
    {
        SFontInfo::EField field;
        const char* name;
        QString label;
        int maxLength;
    };
    const Row rows[] = {
        {SFontInfo::FamilyName, "familyName", QStringLiteral("英語のファミリー名(&E):"), CFontInfoEditor::kMaxFamilyName},
        {SFontInfo::FamilyNameJa, "familyNameJa", QStringLiteral("日本語のファミリー名(&J):"),
         CFontInfoEditor::kMaxFamilyName},
        {SFontInfo::Version, "version", QStringLiteral("バージョン(&V):"), 16},
        {SFontInfo::Copyright, "copyright", QStringLiteral("著作権表示(&C):"), CFontInfoEditor::kMaxCopyright},
    };
    auto* form = new QFormLayout;
    for (const Row& row : rows) {
        if (newFont && row.field != SFontInfo::FamilyName && row.field != SFontInfo::FamilyNameJa)
            continue;
        auto* edit = new QLineEdit(info[row.field], this);
        edit->setObjectName(QString::fromLatin1(row.name));
        edit->setMaxLength(row.maxLength);
        edit->setMinimumWidth(260);
        form->addRow(row.label, edit);
        m_fields[row.field] = edit;
    }
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(newFont ? QStringLiteral("作成") : QStringLiteral("OK"), QDialogButtonBox::AcceptRole)
        ->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFontInfoDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CFontInfoDlg::reject);

    auto* layout = new QVBoxLayout(this);
    if (newFont) {
        auto* intro = new QLabel(
            QStringLiteral("新しいフォント %1 を作成します。\n"
                           "フォントの名前を付けてください。英語の名前は英語のメニューや PDF の"
                           "フォント一覧に、日本語の名前は日本語のメニューに表示されます。\n"
                           "名前はあとから［ファイル］→［フォント情報］で変えられます。")
                .arg(QDir::toNativeSeparators(newFontPath)),
            this);
        intro->setObjectName(QStringLiteral("newFontIntro"));
        intro->setWordWrap(true);
        layout->addWidget(intro);
    }
    layout->addLayout(form);
    layout->addWidget(buttons);
}

SFontInfo CFontInfoDlg::Values() const
{
    SFontInfo info;
    for (int f = 0; f < SFontInfo::FieldCount; ++f)
        if (m_fields[f])
            info[SFontInfo::EField(f)] = m_fields[f]->text();
    return info;
}

void CFontInfoDlg::accept()
{
    const CFontInfoEditor::SVerdict verdict = m_submit(Values());
    if (verdict.bAccepted) {
        QDialog::accept();
        return;
    }
    QLineEdit* field = m_fields[verdict.field];
    field->setFocus();
    field->selectAll();
}
