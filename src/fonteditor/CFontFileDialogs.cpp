#include "fonteditor/CFontFileDialogs.h"

#include "app/CJapaneseFileModel.h"
#include "fonteditor/CFontPath.h"

#include <QFileDialog>

namespace {

const QString kFilter = QStringLiteral("TrueTypeﾌｫﾝﾄﾌｧｲﾙ (*.ttf);;すべてのﾌｧｲﾙ (*.*)");

} // namespace

// An existing font, or the name of a new one: the field is how a new font
// is started, so the dialog takes a name that is not there yet.
QString CFontFileDialogs::ChooseFontFile(QWidget* parent, const QString& currentPath)
{
    QFileDialog dialog(parent, QString(), currentPath, kFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("ttf"));
    dialog.setSizeGripEnabled(true);
    CJapaneseFileModel::Install(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return CFontPath::WithSuffix(dialog.selectedFiles().first());
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
