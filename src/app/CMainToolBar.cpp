#include "app/CMainToolBar.h"

#include "app/CFaceNameList.h"
#include "res/CStringTable.h"
#include "res/CommandIds.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>

#include <algorithm>

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
    // The average character width of a fixed-pitch Japanese font is its
    // half-width cell, half the em; the fallback faces here are proportional,
    // so take the cell from the pixel size rather than from their metrics.
    const int halfWidthCell = std::max(QFontInfo(font).pixelSize() / 2, 1);
    m_pFaceCombo->setFixedWidth(halfWidthCell * kListWidthInChars);
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
