#include "autocreate/CConsoleMessageBox.h"

#include <cstdio>

void CConsoleMessageBox::ShowMessage(const QString& text)
{
    ++m_nMessages;
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

void CConsoleMessageBox::ShowInformation(const QString& text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

bool CConsoleMessageBox::AskYesNo(const QString& text)
{
    std::fprintf(stderr, "%s -> はい\n", qPrintable(text));
    return true;
}
