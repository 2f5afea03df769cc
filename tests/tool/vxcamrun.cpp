#include "vxcamrun.h"

#include <QDir>
#include <QFile>
#include <QProcess>

void Vxcam::SetUp()
{
    QFile config(dir.filePath("cams.json"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(R"({"cameras": [
        {"key": "Tool:MONO", "model": "VirtualMono", "width": 64, "height": 48, "fps": 200},
        {"key": "Tool:RGB", "width": 32, "height": 16, "pixelFormat": "RGB8Packed", "fps": 200},
        {"key": "Tool:DEAD", "fail": ["connect"]},
        {"key": "Tool:STUCK", "fail": ["startGrabbing"]}]})");
}

ToolRun Vxcam::vxcam(const QStringList &arguments, const QString &config)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VXCAM_SIM_CONFIG", dir.filePath(config));
    process.setProcessEnvironment(environment);
    process.start(QDir(qEnvironmentVariable("VXCAM_PLUGIN_DIR")).filePath("vxcam"), arguments);
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
