#include "app/CJapaneseFileModel.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QLocale>

namespace {

constexpr int kTypeColumn = 2;
constexpr int kDateColumn = 3;

} // namespace

QVariant CJapaneseFileModel::data(const QModelIndex& index, int role) const
{
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || !index.isValid())
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    if (index.column() == kDateColumn)
        return QLocale(QLocale::Japanese, QLocale::Japan).toString(files->lastModified(source), QLocale::ShortFormat);
    if (index.column() == kTypeColumn && files->isDir(source))
        return QStringLiteral("フォルダ");
    return QIdentityProxyModel::data(index, role);
}

void CJapaneseFileModel::Install(QFileDialog& dialog)
{
    dialog.setProxyModel(new CJapaneseFileModel(&dialog));
}
