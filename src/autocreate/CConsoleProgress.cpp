#include "autocreate/CConsoleProgress.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace {

const char* const kTitle = "ストロークデータから自動作成中";

// Whether the cursor stands at the end of a progress line on the terminal.
bool g_bLineOpen = false;

} // namespace

CConsoleProgress::CConsoleProgress()
    : m_bTerminal(::isatty(::fileno(stderr)) == 1)
{
}

void CConsoleProgress::EndLine()
{
    if (g_bLineOpen)
        std::fputc('\n', stderr);
    g_bLineOpen = false;
}

void CConsoleProgress::Open()
{
    m_nLastPos = -1;
    if (m_bTerminal)
        SetPosition(0);
    else
        std::fprintf(stderr, "%s\n", kTitle);
}

void CConsoleProgress::SetPosition(int pos)
{
    if (pos == m_nLastPos)
        return;
    m_nLastPos = pos;
    if (m_bTerminal) {
        // Carriage return and erase to the end of the line: the line is
        // redrawn in place, whatever was printed on it before.
        std::fprintf(stderr, "\r\033[K%s %3d%%", kTitle, pos);
        g_bLineOpen = true;
    } else {
        std::fprintf(stderr, "%d%%\n", pos);
    }
    std::fflush(stderr);
}

void CConsoleProgress::Close()
{
    EndLine();
}

bool CConsoleProgress::PumpMessages()
{
    QCoreApplication::processEvents();
    return !m_bStop;
}
