#include "terminal.h"

#include <cstdio>

#include <unistd.h>

bool standardErrorIsTerminal()
{
    return isatty(fileno(stderr)) != 0;
}
