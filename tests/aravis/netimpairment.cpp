#include "netimpairment.h"

#include "hostprocess.h"

bool impair(const QStringList &helperAndArguments, QString *error)
{
    const QString script
        = QStringLiteral("source '%1' && netns_impair_\"$@\"").arg(QStringLiteral(VXCAM_NETNS_SCRIPT));
    const HostRun run = runHostProgram(QStringLiteral("bash"),
                                       QStringList {"-c", script, "impair"} + helperAndArguments, 60000);
    if (!run.finished || run.exitCode != 0) {
        *error = QStringLiteral("netns_impair_%1 failed: %2")
                     .arg(helperAndArguments.join(' '), QString::fromLocal8Bit(run.errors));
        return false;
    }
    return true;
}

ImpairmentScope::~ImpairmentScope()
{
    QString ignored;
    impair({"clear"}, &ignored);
}
