#include "app/CDialogBar.h"

#include "app/CCharFieldRule.h"
#include "app/CRuleValidator.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CDialogBar::CDialogBar(QWidget* parent)
    : QWidget(parent)
    , m_pFontFile(new QLineEdit(this))
    , m_pChoose(new QPushButton(QStringLiteral("..."), this))
    , m_pChar(new QLineEdit(this))
    , m_pVertical(new QCheckBox(QStringLiteral("縦書き"), this))
{
    m_pFontFile->setObjectName(QStringLiteral("1001"));
    m_pChoose->setObjectName(QStringLiteral("1002"));
    m_pChar->setObjectName(QStringLiteral("1004"));
    m_pVertical->setObjectName(QStringLiteral("1005"));
    // Refuses any edit that would leave more than two code page 932 bytes, or a
    // character the code page does not have.
    m_pChar->setValidator(new CRuleValidator(&CCharFieldRule::Accepts, m_pChar));
    m_pChar->setFixedWidth(m_pChar->fontMetrics().horizontalAdvance(QStringLiteral("ああ")) + 16);
    m_pChoose->setFixedWidth(m_pChoose->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedHeight(2);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(new QLabel(QStringLiteral("フォントファイル："), this));
    row->addWidget(m_pFontFile, 1);
    row->addWidget(m_pChoose);
    row->addSpacing(8);
    row->addWidget(new QLabel(QStringLiteral("文字："), this));
    row->addWidget(m_pChar);
    row->addSpacing(8);
    row->addWidget(m_pVertical);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(line);
    layout->addLayout(row);
}
