#include "fonteditor/Utf8Locale.h"

#include <clocale>
#include <langinfo.h>

namespace {

const QString kUtf8Locale = QStringLiteral("C.UTF-8");

bool IsUtf8(QString codeset)
{
    codeset = codeset.toLower().remove(QLatin1Char('-'));
    return codeset == QLatin1String("utf8");
}

// The locale that decides the character set: LC_ALL, else LC_CTYPE, else
// LANG, as the C library looks them up.
QString CtypeLocale(const QProcessEnvironment& environment)
{
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const QString value = environment.value(QString::fromLatin1(name));
        if (!value.isEmpty())
            return value;
    }
    return QStringLiteral("C");
}

} // namespace

void EnsureUtf8Locale()
{
    std::setlocale(LC_ALL, "");
    if (IsUtf8(QString::fromLatin1(nl_langinfo(CODESET))))
        return;
    qputenv("LC_ALL", kUtf8Locale.toLatin1());
    std::setlocale(LC_ALL, "");
}

QProcessEnvironment Utf8Environment(QProcessEnvironment environment)
{
    const QString locale = CtypeLocale(environment);
    const QString codeset = locale.section(QLatin1Char('.'), 1).section(QLatin1Char('@'), 0, 0);
    if (!IsUtf8(codeset))
        environment.insert(QStringLiteral("LC_ALL"), kUtf8Locale);
    environment.insert(QStringLiteral("PYTHONUTF8"), QStringLiteral("1"));
    return environment;
}
