#include "autocreate/CConsoleProgress.h"

#include <cstdio>

void CConsoleProgress::Open()
{
    std::fprintf(stderr, "ストロークデータから自動作成中\n");
}

void CConsoleProgress::SetPosition(int pos)
{
    std::fprintf(stderr, "\r%3d%%", pos);
    std::fflush(stderr);
}

void CConsoleProgress::Close()
{
    std::fprintf(stderr, "\n");
}
