#include "app/CQtMessageBox.h"

#include <QMessageBox>

void CQtMessageBox::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, Caption(), text, QMessageBox::Ok, m_pParent);
    box.exec();
}

bool CQtMessageBox::AskYesNo(const QString& text)
{
    QMessageBox box(QMessageBox::Question, Caption(), text, QMessageBox::Yes | QMessageBox::No, m_pParent);
    return box.exec() == QMessageBox::Yes;
}

void CQtMessageBox::ShowStop(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, Caption(), text, QMessageBox::Ok, m_pParent);
    box.exec();
}

void CQtMessageBox::ShowInformation(const QString& text)
{
    QMessageBox box(QMessageBox::Information, Caption(), text, QMessageBox::Ok, m_pParent);
    box.exec();
}
