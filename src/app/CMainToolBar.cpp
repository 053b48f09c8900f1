#include "app/CMainToolBar.h"

#include "app/CFaceNameList.h"
#include "res/CStringTable.h"
#include "res/CommandIds.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>

namespace {

constexpr int kListWidthInChars = 34;
constexpr int kDropDownLines = 60;

} // namespace

CMainToolBar::CMainToolBar(QWidget* parent)
    : QToolBar(QStringLiteral("標準"), parent)
{
    setObjectName(QStringLiteral("standardToolBar"));
}

void CMainToolBar::AddFaceList()
{
    m_pFaceCombo = new QComboBox(this);
    m_pFaceCombo->setObjectName(QString::number(cmd::ID_FACE_LIST));
    m_pFaceCombo->setEditable(false);
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setPointSize(9);
    font.setStyleHint(QFont::Monospace);
    m_pFaceCombo->setFont(font);
    const QFontMetrics metrics(font);
    m_pFaceCombo->setFixedWidth(metrics.averageCharWidth() * kListWidthInChars);
    m_pFaceCombo->setMaxVisibleItems(kDropDownLines);
    const QString prompt = CStringTable::Command(cmd::ID_FACE_LIST).prompt;
    m_pFaceCombo->setStatusTip(prompt);
    m_pFaceCombo->setToolTip(prompt);
    connect(m_pFaceCombo, &QComboBox::activated, this, [this] { emit FaceSelected(); });
    addWidget(m_pFaceCombo);
}

void CMainToolBar::FillFaceNames()
{
    FillFaceNames(QFontDatabase::families(QFontDatabase::Japanese));
}

void CMainToolBar::FillFaceNames(const QStringList& families)
{
    m_names = CFaceNameList::Filter(families);
    m_pFaceCombo->clear();
    m_pFaceCombo->addItems(m_names);
    m_pFaceCombo->setCurrentIndex(-1);
}

void CMainToolBar::SelectFaceName(const QString& text)
{
    m_pFaceCombo->setCurrentIndex(CFaceNameList::FindPrefix(m_names, text));
}

QString CMainToolBar::GetSelectedFaceName() const
{
    return m_pFaceCombo->currentIndex() < 0 ? QString() : m_pFaceCombo->currentText();
}
