// Built where Qt has no Widgets: the tool has no live view there.
#include "viewcommand.h"

#include "failurelines.h"

int runView(const GrabOptions &, std::unique_ptr<QCoreApplication> &, int &, char **)
{
    printFailure(QStringLiteral("this build has no live view (it was built without Qt Widgets)"));
    return 1;
}
