#include "autocreate/CConsoleMessageBox.h"

#include "autocreate/CConsoleProgress.h"

#include <cstdio>

void CConsoleMessageBox::ShowMessage(const QString& text)
{
    ++m_nMessages;
    CConsoleProgress::EndLine();
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

void CConsoleMessageBox::ShowInformation(const QString& text)
{
    CConsoleProgress::EndLine();
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

bool CConsoleMessageBox::AskYesNo(const QString& text)
{
    CConsoleProgress::EndLine();
    std::fprintf(stderr, "%s -> はい\n", qPrintable(text));
    return true;
}
