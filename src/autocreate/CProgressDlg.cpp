#include "autocreate/CProgressDlg.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CProgressDlg::CProgressDlg(QObject* view, QWidget* parent)
    : QDialog(parent)
    , m_pView(view)
    , m_pBar(new QProgressBar(this))
    , m_pCurrent(new QLabel(this))
{
    setWindowTitle(QStringLiteral("処理中"));
    setModal(false);
    m_pBar->setObjectName(QStringLiteral("1015"));
    m_pBar->setRange(0, 100);
    m_pBar->setValue(0);
    m_pBar->setTextVisible(false);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    connect(cancel, &QPushButton::clicked, this, &CProgressDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("ストロークデータから自動作成中"), this));
    layout->addWidget(m_pCurrent);
    layout->addWidget(m_pBar);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    setFixedWidth(300);
}

int CProgressDlg::Position() const
{
    return m_pBar->value();
}

QString CProgressDlg::CurrentText() const
{
    return m_pCurrent->text();
}

void CProgressDlg::Open()
{
    m_pBar->setValue(0);
    m_pCurrent->clear();
    show();
    raise();
}

void CProgressDlg::SetCurrentText(const QString& text)
{
    m_pCurrent->setText(text);
}

void CProgressDlg::SetPosition(int pos)
{
    m_pBar->setValue(pos);
}

void CProgressDlg::Close()
{
    hide();
}

// Cancel does not close the dialog: the run sees the notification between
// two files and closes it then.
void CProgressDlg::reject()
{
    if (m_pView)
        QCoreApplication::postEvent(m_pView, new QEvent(kCancelEvent));
}
