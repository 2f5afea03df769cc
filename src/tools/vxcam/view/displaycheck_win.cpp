#include "displaycheck.h"

// The Windows platform plug-in draws on the desktop of the session, which an
// interactive process always has.
bool displayAvailable(QString *)
{
    return true;
}
