#include "display.h"

#include <cstdio>
#include <io.h>

// A Windows session always has its desktop.
bool displayAvailable()
{
    return true;
}

bool standardErrorIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}
