// Programs of the machine the tests run on: the fake camera server, its
// command-line tool, the network namespace helpers. A test built for Linux
// starts them with QProcess; a test built for Windows runs under Wine on the
// same Linux machine and starts the Linux programs through Wine, which hands
// back neither their exit status nor a handle that can end them, so there a
// small bash script around each program reports both through files
// (hostprocess_win.cpp).
#ifndef VXCAM_TESTS_HOSTPROCESS_H
#define VXCAM_TESTS_HOSTPROCESS_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

struct HostRun {
    bool finished = false; // within the time given
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

// Runs a host program (found in the host's PATH) to its end.
HostRun runHostProgram(const QString &program, const QStringList &arguments, int timeoutMs);

// A file of this test process as host programs name it.
QString hostPath(const QString &localPath);

// A host program that runs until it is killed (its standard output is
// dropped, its errors go to the test's).
class HostServer {
public:
    HostServer();
    ~HostServer();
    HostServer(const HostServer &) = delete;
    HostServer &operator=(const HostServer &) = delete;

    bool start(const QString &program, const QStringList &arguments, QString *error);
    // SIGKILL, and waits until it is gone.
    void kill();
    bool running() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif // VXCAM_TESTS_HOSTPROCESS_H
