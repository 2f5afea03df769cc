// The built vxcam, run as a separate process on virtual cameras of the test's
// own configuration.
#ifndef VXCAM_TESTS_VXCAMRUN_H
#define VXCAM_TESTS_VXCAMRUN_H

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

struct ToolRun {
    int status = -1;
    // Lines end in "\n" on every platform (the Windows C runtime writes "\r\n").
    QString out;
    QString err;
};

class Vxcam : public ::testing::Test {
protected:
    void SetUp() override;

    // Runs vxcam with `arguments` on the cameras of `config` (a file in dir).
    ToolRun vxcam(const QStringList &arguments, const QString &config = QStringLiteral("cams.json"));

    QTemporaryDir dir;
};

#endif // VXCAM_TESTS_VXCAMRUN_H
