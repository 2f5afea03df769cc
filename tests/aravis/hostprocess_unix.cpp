// Host programs are this platform's own: QProcess does it all.
#include "hostprocess.h"

#include <QProcess>

HostRun runHostProgram(const QString &program, const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    process.start(program, arguments);
    HostRun run;
    run.finished = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (!run.finished)
        process.kill();
    run.exitCode = run.finished ? process.exitCode() : -1;
    run.output = process.readAllStandardOutput();
    run.errors = process.readAllStandardError();
    if (process.error() == QProcess::FailedToStart)
        run.errors += process.errorString().toLocal8Bit();
    return run;
}

QString hostPath(const QString &localPath)
{
    return localPath;
}

struct HostServer::Private {
    QProcess process;
};

HostServer::HostServer()
    : d(std::make_unique<Private>())
{
    d->process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    d->process.setStandardOutputFile(QProcess::nullDevice());
}

HostServer::~HostServer()
{
    kill();
}

bool HostServer::start(const QString &program, const QStringList &arguments, QString *error)
{
    d->process.start(program, arguments);
    if (d->process.waitForStarted(10000))
        return true;
    *error = QStringLiteral("cannot start %1: %2").arg(program, d->process.errorString());
    return false;
}

void HostServer::kill()
{
    if (d->process.state() == QProcess::NotRunning)
        return;
    d->process.kill();
    d->process.waitForFinished(10000);
}

bool HostServer::running() const
{
    return d->process.state() != QProcess::NotRunning;
}
