#include "fonteditor/CFontFileDialogs.h"

#include "app/CJapaneseFileModel.h"

#include <QFileDialog>

namespace {

const QString kFilter = QStringLiteral("TrueTypeﾌｫﾝﾄﾌｧｲﾙ (*.ttf);;すべてのﾌｧｲﾙ (*.*)");

} // namespace

QString CFontFileDialogs::ChooseFontFile(QWidget* parent)
{
    QFileDialog dialog(parent, QString(), QString(), kFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("ttf"));
    dialog.setSizeGripEnabled(true);
    CJapaneseFileModel::Install(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

QString CFontFileDialogs::ChooseSaveAsFile(QWidget* parent, const QString& currentPath)
{
    QFileDialog dialog(parent, QString(), currentPath, kFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("ttf"));
    CJapaneseFileModel::Install(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}
