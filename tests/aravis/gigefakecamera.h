// GigEFakeCamera: Aravis's GigE Vision fake camera (arv-fake-gv-camera-0.8)
// serving a loopback address (127.0.0.1 unless told otherwise; others must be
// on lo first, see in_netns.sh) for one test, inside the test's private
// network namespace. Its description is the fake's own with a "Line1" trigger source
// added (the fake has only Line0), so every trigger mode of the drivers can
// be started against it. Owned by the test's thread.
#ifndef VXCAM_TESTS_GIGEFAKECAMERA_H
#define VXCAM_TESTS_GIGEFAKECAMERA_H

#include "hostprocess.h"

#include <QString>
#include <QTemporaryDir>

// Points the camera SDK at its Aravis back end, opening cameras by these
// addresses (comma-separated); call before any camera use. Returns true.
bool useAravisBackend(const char *devices = "127.0.0.1");

class GigEFakeCamera {
public:
    // A camera of serial number `serial` at `address`.
    explicit GigEFakeCamera(const QString &address = QStringLiteral("127.0.0.1"),
                            const QString &serial = QStringLiteral("GV01"));
    ~GigEFakeCamera();
    GigEFakeCamera(const GigEFakeCamera &) = delete;
    GigEFakeCamera &operator=(const GigEFakeCamera &) = delete;

    // Starts the server and waits until it answers; false with *error.
    // `lostPerThousand` GVSP packets of every thousand are dropped on purpose
    // (the fake answers no resend request, so their frames stay incomplete).
    bool start(QString *error, int lostPerThousand = 0);
    // Kills the server at once (SIGKILL): the camera vanishes mid-stream.
    void kill();
    // Starts the killed server again as start() made it, at the same address:
    // a power-cycled camera, back with its power-on state. False with *error.
    bool restart(QString *error);

    // Sets the frame size through the camera's Width and Height (until a
    // restart). Snapshot tests take small frames: Aravis enlarges the
    // stream socket's buffer only once the first frame begins, and under Wine
    // a first 512x512 frame (about 190 packets in one burst) overflows the
    // default buffer before that; a single snapshot would then give no frame.
    bool setFrameSize(int width, int height, QString *error);
    // Sets the frames per second the camera sends (until a restart).
    bool setFrameRate(int fps, QString *error);

    // What a controller that went away mid-stream leaves behind: acquisition
    // on, the stream channel aimed at this address's UDP `port`, no controller.
    bool leaveAcquiring(quint16 port, QString *error);
    // A bootstrap register's value, read as a second client would (the fake
    // answers reads from anyone); false with *error.
    bool readRegister(quint32 address, quint32 *value, QString *error);

    // The key the Aravis back end gives it.
    QString key() const { return QStringLiteral("Aravis-Fake-") + m_serial; }

private:
    bool launch(const QStringList &arguments, QString *error);
    // Runs arv-tool-0.8 on the fake with these control arguments; its output.
    bool tool(const QStringList &control, QByteArray *output, QString *error);
    bool writeDescription(QString *error);

    const QString m_address;
    const QString m_serial;
    QTemporaryDir m_dir;
    QStringList m_arguments; // of the server start() made
    HostServer m_server;
};

#endif // VXCAM_TESTS_GIGEFAKECAMERA_H
