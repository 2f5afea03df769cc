// Host programs from a test that runs under Wine. Wine starts a Linux
// program named by its path, but the process it hands back ends at once
// with status 0. So each program runs inside a bash script that writes the
// program's process id, output and exit status to files of a folder both
// sides see; the test polls for them.
#include "hostprocess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <windows.h>

namespace {

// Wine's own kernel32 export: the Unix name of a Windows path.
QString unixFileName(const QString &windowsPath)
{
    using Convert = char *(CDECL *)(const wchar_t *);
    static const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr)
        return {};
    const std::wstring wide = QDir::toNativeSeparators(windowsPath).toStdWString();
    char *name = convert(wide.c_str());
    if (name == nullptr)
        return {};
    const QString result = QString::fromUtf8(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

QString shellQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString commandLine(const QString &program, const QStringList &arguments)
{
    QString line = shellQuoted(program);
    for (const QString &argument : arguments)
        line += QLatin1Char(' ') + shellQuoted(argument);
    return line;
}

// Writes `body` as a script into `dir` and starts it with the host's bash.
bool startScript(const QTemporaryDir &dir, const QString &body, QString *error)
{
    QFile script(dir.filePath(QStringLiteral("run.sh")));
    const QByteArray text = "export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin\n"
                            "cd "
        + shellQuoted(hostPath(dir.path())).toUtf8() + "\n" + body.toUtf8() + "\n";
    if (!script.open(QIODevice::WriteOnly) || script.write(text) != text.size()) {
        *error = QStringLiteral("cannot write %1").arg(script.fileName());
        return false;
    }
    script.close();
    if (!QProcess::startDetached(QStringLiteral("Z:/bin/bash"), {hostPath(script.fileName())})) {
        *error = QStringLiteral("Wine cannot start the host's /bin/bash");
        return false;
    }
    return true;
}

// Waits for a file the script writes last (by renaming it into place).
bool waitForFile(const QString &path, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!QFile::exists(path)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

HostRun runHostProgram(const QString &program, const QStringList &arguments, int timeoutMs)
{
    HostRun run;
    QTemporaryDir dir;
    QString error;
    if (!startScript(
            dir,
            commandLine(program, arguments)
                + QStringLiteral(" >output 2>errors </dev/null; echo $? >status.new; mv status.new status"),
            &error)) {
        run.errors = error.toLocal8Bit();
        return run;
    }
    run.finished = waitForFile(dir.filePath(QStringLiteral("status")), timeoutMs);
    run.output = contents(dir.filePath(QStringLiteral("output")));
    run.errors = contents(dir.filePath(QStringLiteral("errors")));
    if (run.finished)
        run.exitCode = contents(dir.filePath(QStringLiteral("status"))).trimmed().toInt();
    return run;
}

QString hostPath(const QString &localPath)
{
    return unixFileName(QDir(localPath).absolutePath());
}

struct HostServer::Private {
    std::unique_ptr<QTemporaryDir> dir;
    QString pid;
};

HostServer::HostServer()
    : d(std::make_unique<Private>())
{
}

HostServer::~HostServer()
{
    kill();
}

bool HostServer::start(const QString &program, const QStringList &arguments, QString *error)
{
    kill();
    d->dir = std::make_unique<QTemporaryDir>();
    const QString body = commandLine(program, arguments)
        + QStringLiteral(" >/dev/null </dev/null &\n"
                         "echo $! >pid.new; mv pid.new pid\n"
                         "wait $! 2>/dev/null; echo $? >status.new; mv status.new status");
    if (!startScript(*d->dir, body, error) || !waitForFile(d->dir->filePath(QStringLiteral("pid")), 10000)) {
        if (error->isEmpty())
            *error = QStringLiteral("%1 did not start").arg(program);
        d->dir.reset();
        return false;
    }
    d->pid = QString::fromLatin1(contents(d->dir->filePath(QStringLiteral("pid"))).trimmed());
    return true;
}

void HostServer::kill()
{
    if (!running())
        return;
    runHostProgram(QStringLiteral("kill"), {QStringLiteral("-9"), d->pid}, 10000);
    waitForFile(d->dir->filePath(QStringLiteral("status")), 10000);
    d->dir.reset();
}

bool HostServer::running() const
{
    return d->dir && !QFile::exists(d->dir->filePath(QStringLiteral("status")));
}
