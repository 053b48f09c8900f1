#include "res/NumberText.h"

#include <QLocale>

QString NumberText(qint64 number)
{
    static const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    return japanese.toString(number);
}
