#include "netimpairment.h"

#include <QProcess>

bool impair(const QStringList &helperAndArguments, QString *error)
{
    QProcess process;
    const QString script
        = QStringLiteral("source '%1' && netns_impair_\"$@\"").arg(QStringLiteral(VXCAM_NETNS_SCRIPT));
    process.start(QStringLiteral("bash"), QStringList {"-c", script, "impair"} + helperAndArguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        *error
            = QStringLiteral("netns_impair_%1 failed: %2")
                  .arg(helperAndArguments.join(' '), QString::fromLocal8Bit(process.readAllStandardError()));
        return false;
    }
    return true;
}

ImpairmentScope::~ImpairmentScope()
{
    QString ignored;
    impair({"clear"}, &ignored);
}
