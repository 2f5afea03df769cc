#include "terminal.h"

#include <cstdio>

#if defined(_WIN32)
#include <io.h>
bool standardErrorIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}
#else
#include <unistd.h>
bool standardErrorIsTerminal()
{
    return isatty(fileno(stderr)) != 0;
}
#endif
