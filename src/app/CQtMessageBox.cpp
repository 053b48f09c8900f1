#include "app/CQtMessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <cstdio>

bool CQtMessageBox::Unattended(const QString& text)
{
    if (!s_bUnattended)
        return false;
    std::fprintf(stderr, "%s: %s\n", qPrintable(Caption()), qPrintable(QString(text).replace(u'\n', u' ')));
    return true;
}

void CQtMessageBox::ShowMessage(const QString& text)
{
    if (Unattended(text))
        return;
    QMessageBox box(QMessageBox::Warning, Caption(), text, QMessageBox::Ok, m_pParent);
    box.exec();
}

bool CQtMessageBox::AskYesNo(const QString& text)
{
    if (Unattended(text + QStringLiteral(" → いいえ")))
        return false;
    QMessageBox box(QMessageBox::Question, Caption(), text, QMessageBox::Yes | QMessageBox::No, m_pParent);
    return box.exec() == QMessageBox::Yes;
}

bool CQtMessageBox::AskAction(const QString& text, const QString& action)
{
    if (Unattended(text + QStringLiteral(" → キャンセル")))
        return false;
    QMessageBox box(QMessageBox::Warning, Caption(), text, QMessageBox::Save | QMessageBox::Cancel, m_pParent);
    box.button(QMessageBox::Save)->setText(action);
    box.setDefaultButton(QMessageBox::Save);
    return box.exec() == QMessageBox::Save;
}

void CQtMessageBox::ShowStop(const QString& text)
{
    if (Unattended(text))
        return;
    QMessageBox box(QMessageBox::Critical, Caption(), text, QMessageBox::Ok, m_pParent);
    box.exec();
}

void CQtMessageBox::ShowInformation(const QString& text)
{
    if (Unattended(text))
        return;
    QMessageBox box(QMessageBox::Information, Caption(), text, QMessageBox::Ok, m_pParent);
    box.exec();
}
