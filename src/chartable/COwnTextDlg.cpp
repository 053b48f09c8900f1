#include "chartable/COwnTextDlg.h"

#include "app/CJapaneseFileModel.h"
#include "app/IMessageBox.h"
#include "chartable/COwnText.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

COwnTextDlg::COwnTextDlg(const QString& text, IMessageBox& messages, QWidget* parent)
    : QDialog(parent), m_messages(messages), m_chooseFile(&COwnTextDlg::ChooseTextFile)
{
    setWindowTitle(QStringLiteral("自分の文章"));
    auto* intro = new QLabel(QStringLiteral("書きたい文章を貼り付けるか、テキストファイル (UTF-8 またはシフトJIS) を開いてください。"
                                            "文章に出てくる文字が、出てくる順に文字一覧に並びます。"),
                             this);
    intro->setWordWrap(true);
    m_pEdit = new QPlainTextEdit(this);
    m_pEdit->setPlainText(text);
    intro->setBuddy(m_pEdit);

    auto* buttons = new QDialogButtonBox(this);
    auto* open = buttons->addButton(QStringLiteral("ファイルを開く(&O)..."), QDialogButtonBox::ActionRole);
    open->setObjectName(QStringLiteral("openFile"));
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    buttons->addButton(QStringLiteral("ﾍﾙﾌﾟ(&H)"), QDialogButtonBox::HelpRole);
    connect(open, &QPushButton::clicked, this, &COwnTextDlg::OnOpenFile);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, &COwnTextDlg::HelpRequested);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_pEdit, 1);
    layout->addWidget(buttons);
    resize(520, 400);
}

QString COwnTextDlg::Text() const
{
    return m_pEdit->toPlainText();
}

// The file's text takes the place of what the field held.
void COwnTextDlg::OnOpenFile()
{
    const QString path = m_chooseFile(this);
    if (path.isEmpty())
        return;
    QString error;
    if (const std::optional<QString> text = COwnText::ReadFile(path, error))
        m_pEdit->setPlainText(*text);
    else
        m_messages.ShowMessage(error);
}

QString COwnTextDlg::ChooseTextFile(QWidget* owner)
{
    QFileDialog dialog(owner, QStringLiteral("テキストファイルを開く"),
                       QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                       QStringLiteral("テキストファイル (*.txt);;すべてのファイル (*)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    CJapaneseFileModel::Install(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}
