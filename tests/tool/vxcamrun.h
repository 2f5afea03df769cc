// The built vxcam, run as a separate process on virtual cameras of the test's
// own configuration.
#ifndef VXCAM_TESTS_VXCAMRUN_H
#define VXCAM_TESTS_VXCAMRUN_H

#include "toolrun.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class Vxcam : public ::testing::Test {
protected:
    void SetUp() override;

    void writeConfig(const QString &name, const QByteArray &json);

    // Starts vxcam on the cameras of `config` (a file in dir); the caller waits for it.
    void start(QProcess &process, const QStringList &arguments, const QString &config,
               const QString &trace = QString());

    // Runs vxcam with `arguments` to its end.
    ToolRun vxcam(const QStringList &arguments, const QString &config = QStringLiteral("cams.json"));

    QTemporaryDir dir;
};

#endif // VXCAM_TESTS_VXCAMRUN_H
