#include "app/COptionDlg.h"

#include "app/CJapaneseFileModel.h"
#include "app/COptionRules.h"
#include "app/CRuleValidator.h"
#include "app/IMessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

COptionDlg::COptionDlg(IMessageBox& messages, QWidget* parent)
    : QDialog(parent)
    , m_messages(messages)
    , m_chooseFolder(&COptionDlg::BrowseForFolder)
{
    setWindowTitle(QStringLiteral("オプション"));
    BuildControls();
}

void COptionDlg::BuildControls()
{
    m_pSizeList = new QComboBox(this);
    m_pSizeList->setObjectName(QStringLiteral("1020"));
    for (int i = 0; COptionRules::SizeForIndex(i); ++i)
        m_pSizeList->addItem(QString::number(*COptionRules::SizeForIndex(i)));
    m_pGridEdit = new QLineEdit(this);
    m_pGridEdit->setObjectName(QStringLiteral("1014"));
    m_pGridEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    m_pDoAndNext = new QCheckBox(QStringLiteral("実行後次の文字を表示する(&N)"), this);
    m_pDoAndNext->setObjectName(QStringLiteral("1009"));
    // A choice of its own under the one it changes, usable while that is on.
    m_pNextMissing = new QCheckBox(QStringLiteral("文字一覧で選んだ種類の、まだ無い文字へ進む(&M)"), this);
    m_pNextMissing->setObjectName(QStringLiteral("nextMissing"));
    m_pNextMissing->setEnabled(false);
    connect(m_pDoAndNext, &QCheckBox::toggled, m_pNextMissing, &QCheckBox::setEnabled);
    m_pWriteStrokeFile = new QCheckBox(QStringLiteral("ストロークファイルを保存する(&T)"), this);
    m_pWriteStrokeFile->setObjectName(QStringLiteral("1016"));
    m_pFolderEdit = new QLineEdit(this);
    m_pFolderEdit->setObjectName(QStringLiteral("1017"));
    // Typing or pasting past the byte limit is refused by the field itself.
    m_pFolderEdit->setValidator(new CRuleValidator(&COptionRules::FolderFits, m_pFolderEdit));
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setObjectName(QStringLiteral("1018"));
    connect(browse, &QPushButton::clicked, this, &COptionDlg::OnBrowseFolder);

    auto* sizeLabel = new QLabel(QStringLiteral("キャンパスサイズ(&S):"), this);
    sizeLabel->setBuddy(m_pSizeList);
    auto* gridLabel = new QLabel(QStringLiteral("罫線数(&G):"), this);
    gridLabel->setBuddy(m_pGridEdit);
    auto* folderLabel = new QLabel(QStringLiteral("ストロークファイルの保存先(&F)："), this);
    folderLabel->setObjectName(QStringLiteral("1019"));
    folderLabel->setBuddy(m_pFolderEdit);

    auto* grid = new QGridLayout;
    grid->addWidget(sizeLabel, 0, 0);
    grid->addWidget(m_pSizeList, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("ドット"), this), 0, 2);
    grid->addWidget(gridLabel, 1, 0);
    grid->addWidget(m_pGridEdit, 1, 1);
    grid->setColumnStretch(3, 1);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_pFolderEdit, 1);
    folderRow->addWidget(browse);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    auto* help = buttons->addButton(QStringLiteral("ﾍﾙﾌﾟ(&H)"), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("57670"));
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionDlg::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { emit HelpRequested(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_pDoAndNext);
    auto* nextMissingRow = new QHBoxLayout;
    nextMissingRow->addSpacing(20);
    nextMissingRow->addWidget(m_pNextMissing, 1);
    layout->addLayout(nextMissingRow);
    layout->addWidget(m_pWriteStrokeFile);
    layout->addWidget(folderLabel);
    layout->addLayout(folderRow);
    layout->addWidget(line);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

void COptionDlg::SetValues(const COptionValues& values)
{
    m_nBmpSize = values.bmpSize;
    m_bDoAndNext = values.doAndNext;
    m_nGridSize = values.gridSize;
    m_bWriteStrokeFile = values.writeStrokeFile;
    m_strStrkFolderPath = values.strkFolderPath;
    m_bNextMissing = values.nextMissing;
    m_nSizeIndex = COptionRules::SizeIndexFor(m_nBmpSize);
    TransferToControls();
}

COptionValues COptionDlg::Values() const
{
    return {m_nBmpSize, m_bDoAndNext, m_nGridSize, m_bWriteStrokeFile, m_strStrkFolderPath, m_bNextMissing};
}

void COptionDlg::TransferToControls()
{
    m_pDoAndNext->setChecked(m_bDoAndNext);
    m_pNextMissing->setChecked(m_bNextMissing);
    m_pNextMissing->setEnabled(m_bDoAndNext);
    m_pGridEdit->setText(QString::number(m_nGridSize));
    m_pWriteStrokeFile->setChecked(m_bWriteStrokeFile);
    m_pFolderEdit->setText(m_strStrkFolderPath);
    m_pSizeList->setCurrentIndex(m_nSizeIndex);
}

void COptionDlg::Refuse(const QString& message, QWidget* field)
{
    m_messages.ShowMessage(message);
    field->setFocus();
}

// Reads the controls back in the order they are filled; the first field that
// does not hold a valid value is reported and gets the focus.
bool COptionDlg::TransferFromControls()
{
    m_bDoAndNext = m_pDoAndNext->isChecked();
    m_bNextMissing = m_pNextMissing->isChecked();
    const COptionRules::GridResult grid = COptionRules::ParseGridSize(m_pGridEdit->text());
    if (!grid.error.isEmpty()) {
        Refuse(grid.error, m_pGridEdit);
        return false;
    }
    m_nGridSize = grid.value;
    m_bWriteStrokeFile = m_pWriteStrokeFile->isChecked();
    const QString folderError = COptionRules::CheckFolderLength(m_pFolderEdit->text());
    if (!folderError.isEmpty()) {
        Refuse(folderError, m_pFolderEdit);
        return false;
    }
    m_strStrkFolderPath = m_pFolderEdit->text();
    m_nSizeIndex = m_pSizeList->currentIndex();
    return true;
}

void COptionDlg::accept()
{
    if (!TransferFromControls())
        return;
    if (m_bWriteStrokeFile && m_strStrkFolderPath.isEmpty()) {
        Refuse(COptionRules::MissingFolderMessage(), m_pFolderEdit);
        return;
    }
    if (const auto size = COptionRules::SizeForIndex(m_nSizeIndex))
        m_nBmpSize = *size;
    QDialog::accept();
}

void COptionDlg::OnBrowseFolder()
{
    const QString folder = m_chooseFolder(this);
    if (!folder.isEmpty())
        m_pFolderEdit->setText(folder);
}

QString COptionDlg::BrowseForFolder(QWidget* owner)
{
    QFileDialog dialog(owner, QStringLiteral("フォルダを選択してください"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    CJapaneseFileModel::Install(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}
