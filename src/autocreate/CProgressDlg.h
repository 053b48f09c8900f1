#pragma once

#include "autocreate/IAutoCreateHost.h"

#include <QDialog>
#include <QEvent>
#include <QPointer>

class QLabel;
class QProgressBar;

// The modeless "処理中" dialog of an automatic creation run. Its Cancel, its
// close box and Esc all post the cancel notification to the window that
// started the run; the dialog itself stays until the run closes it.
class CProgressDlg : public QDialog, public IAutoCreateProgress
{
    Q_OBJECT

public:
    // The notification posted to the view on Cancel.
    static constexpr QEvent::Type kCancelEvent = static_cast<QEvent::Type>(QEvent::User + 100);

    CProgressDlg(QObject* view, QWidget* parent = nullptr);

    int Position() const;
    QString CurrentText() const;

    // IAutoCreateProgress
    void Open() override;
    void SetPosition(int pos) override;
    void SetCurrentText(const QString& text) override;
    void Close() override;

public slots:
    void reject() override;

private:
    QPointer<QObject> m_pView;
    QProgressBar* m_pBar;
    QLabel* m_pCurrent;
};
