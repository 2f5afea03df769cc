// Built where Qt has no Widgets: the tool has no live view there.
#include "viewcommand.h"

#include "camerahandle.h"

int runView(const GrabOptions &, int &, char **)
{
    reportFailure(QStringLiteral("this build has no live view (it was built without Qt Widgets)"));
    return 1;
}
