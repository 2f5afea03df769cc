#include "vxcamrun.h"

#include <QDir>
#include <QFile>
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
    QProcess process;
    start(process, arguments, config);
    return finishTool(process);
}
