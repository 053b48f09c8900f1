#pragma once

#include <QIdentityProxyModel>

class QFileDialog;

// Qt's own file dialog writes the dates of its files in the form of the
// system locale, which under C (cron, a service, a bare session) is English.
// The program speaks Japanese throughout, so its file dialogs show dates, and
// the type of a folder, the Japanese way whatever the locale.
class CJapaneseFileModel : public QIdentityProxyModel
{
    Q_OBJECT

public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Puts the model between the dialog and its files; a dialog of the
    // desktop's own is left as it is.
    static void Install(QFileDialog& dialog);
};
