#include "res/CUiResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must run outside any namespace.
static bool RegisterResources()
{
    Q_INIT_RESOURCE(quillery);
    return true;
}

void CUiResources::Init()
{
    static const bool registered = RegisterResources();
    (void)registered;
}
