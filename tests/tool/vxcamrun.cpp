#include "vxcamrun.h"

#include <QDir>
#include <QFile>
#include <QOperatingSystemVersion>
#include <QProcessEnvironment>

void Vxcam::SetUp()
{
    writeConfig("cams.json", R"({"cameras": [
        {"key": "Tool:MONO", "model": "VirtualMono", "width": 64, "height": 48, "fps": 200},
        {"key": "Tool:RGB", "width": 32, "height": 16, "pixelFormat": "RGB8Packed", "fps": 200},
        {"key": "Tool:DEAD", "fail": ["connect"]},
        {"key": "Tool:STUCK", "fail": ["startGrabbing"]}]})");
}

void Vxcam::writeConfig(const QString &name, const QByteArray &json)
{
    QFile config(dir.filePath(name));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(json);
}

void Vxcam::start(QProcess &process, const QStringList &arguments, const QString &config,
                  const QString &trace)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VXCAM_SIM_CONFIG", dir.filePath(config));
    environment.insert("QT_QPA_PLATFORM", "offscreen"); // the live view needs no display
    if (!trace.isEmpty())
        environment.insert("VXCAM_SIM_TRACE", trace);
    process.setProcessEnvironment(environment);
    process.start(QDir(qEnvironmentVariable("VXCAM_PLUGIN_DIR")).filePath("vxcam"), arguments);
}

ToolRun Vxcam::vxcam(const QStringList &arguments, const QString &config)
{
    // Under Wine on a busy machine a program now and then fails to start, or
    // is ended while its DLLs load, before it writes a byte: such a run is
    // tried once more. A vxcam that really fails at its start fails again.
    const bool wine = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;
    for (int attempt = 1;; ++attempt) {
        QProcess process;
        start(process, arguments, config);
        ToolRun run = finishTool(process);
        const bool silentFailure = run.status == -1 && run.out.isEmpty() && run.err.isEmpty();
        if (silentFailure && wine && attempt == 1 && process.state() == QProcess::NotRunning)
            continue;
        if (silentFailure)
            run.err = QStringLiteral("(the test: vxcam ended without output: %1, exit code %2)")
                          .arg(process.errorString())
                          .arg(process.exitCode());
        return run;
    }
}
