// How the tests see a finished vxcam process: its exit status and output.
#ifndef VXCAM_TESTS_TOOLRUN_H
#define VXCAM_TESTS_TOOLRUN_H

#include <QProcess>
#include <QString>

struct ToolRun {
    int status = -1; // -1: it crashed or did not end within two minutes
    // Lines end in "\n" on every platform (the Windows C runtime writes "\r\n").
    QString out;
    QString err;
};

inline ToolRun finishTool(QProcess &process)
{
    ToolRun run;
    if (!process.waitForFinished(120000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput())
                  .replace(QLatin1String("\r\n"), QLatin1String("\n"));
    run.err = QString::fromUtf8(process.readAllStandardError())
                  .replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return run;
}

#endif // VXCAM_TESTS_TOOLRUN_H
