#include "grabrun.h"

#include "cameradahua.h"
#include "framepicture.h"
#include "grabhost.h"
#include "pluginloader.h"
#include "printabletext.h"
#include "progressbar.h"
#include "terminal.h"
#include "warningwatch.h"

#include "MVSDK/StreamStatistics.h"

#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <memory>

namespace {

void fail(const QString &message)
{
    std::fprintf(stderr, "vxcam: %s\n", qPrintable(message));
    std::fflush(stderr);
}

// A camera object from the plug-in's factory, or the earlier driver built
// here; deleted the way it was made.
class CameraHandle {
public:
    CameraHandle(const PluginLoader &plugin, bool earlier, tagVX_CAMERA_OPTION *option, IPoolCallback *host)
        : m_destroy(earlier ? nullptr : plugin.destroy)
    {
        m_camera = earlier ? new CCameraDahua(option, host) : plugin.create(option, host);
    }
    ~CameraHandle()
    {
        if (m_destroy != nullptr)
            m_destroy(m_camera);
        else
            delete m_camera;
    }
    CameraHandle(const CameraHandle &) = delete;
    CameraHandle &operator=(const CameraHandle &) = delete;
    ICameraObject *operator->() const { return m_camera; }
    explicit operator bool() const { return m_camera != nullptr; }

private:
    VxCameraDeleteFunction m_destroy;
    ICameraObject *m_camera = nullptr;
};

} // namespace

int runList(const GrabOptions &options)
{
    PluginLoader plugin;
    if (!plugin.load(options.plugin)) {
        fail(plugin.errorString());
        return 1;
    }
    tagVX_CAMERA_OPTION option;
    GrabHost host(false);
    CameraHandle camera(plugin, false, &option, &host);
    if (!camera) {
        fail(QStringLiteral("the plug-in made no camera object"));
        return 1;
    }
    const QStringList keys = camera->IGetCameraList();
    for (const QString &key : keys)
        std::printf("%s\n", qPrintable(printableText(key)));
    if (keys.isEmpty())
        fail(QStringLiteral("no camera found"));
    return 0;
}

int runGrab(const GrabOptions &options)
{
    PluginLoader plugin;
    if (!options.earlierDriver && !plugin.load(options.plugin)) {
        fail(plugin.errorString());
        return 1;
    }
    tagVX_CAMERA_OPTION option;
    option.boardNum = options.board;
    GrabHost host(!options.png.isEmpty());
    CameraHandle camera(plugin, options.earlierDriver, &option, &host);
    if (!camera) {
        fail(QStringLiteral("the plug-in made no camera object"));
        return 1;
    }
    const QString shownKey = printableText(options.camera);
    const QStringList keys = camera->IGetCameraList();
    if (!keys.contains(options.camera)) {
        fail(QStringLiteral("camera \"%1\" not found; cameras present: %2")
                 .arg(shownKey,
                      keys.isEmpty() ? QStringLiteral("none")
                                     : printableText(keys.join(QStringLiteral(", ")))));
        return 1;
    }
    option.cameraName = options.camera;
    if (camera->IOpenCamera() != 1) {
        fail(QStringLiteral("cannot open camera \"%1\"").arg(shownKey));
        return 1;
    }
    if (options.exposureGiven) {
        tagVX_CAMERA_PROPERTY property;
        property.propId = 1;
        property.propValue = options.exposure;
        WarningWatch watch;
        camera->ISetProperty(&property);
        if (watch.warnings() > 0) {
            fail(QStringLiteral("cannot set the exposure time %1 on camera \"%2\"")
                     .arg(options.exposure)
                     .arg(shownKey));
            camera->ICloseCamera();
            return 1;
        }
    }
    camera->m_nTriggerMode = options.mode;
    if (options.mode == 3)
        camera->m_nFrameLimit = options.limit;
    if (!options.savePrefix.isEmpty()) {
        option.savePrefix = options.savePrefix;
        option.saveSuffix = options.saveSuffix;
        option.saveFlag = 1;
    }
    if (camera->IStartCamera() != 1) {
        fail(QStringLiteral("cannot start camera \"%1\" in mode %2").arg(shownKey).arg(options.mode));
        camera->ICloseCamera();
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    int snapsFired = 0;
    for (int i = 0; i < options.snaps; ++i)
        snapsFired += camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE) == 1 ? 1 : 0;
    if (snapsFired < options.snaps)
        fail(QStringLiteral("%1 of %2 snapshots were refused")
                 .arg(options.snaps - snapsFired)
                 .arg(options.snaps));

    ProgressBar progress(!options.quiet && standardErrorIsTerminal());
    const qint64 limitMs = qint64(options.seconds * 1000.0);
    qint64 lastDraw = -1000;
    while (host.frames() < options.frames && clock.elapsed() < limitMs) {
        if (clock.elapsed() - lastDraw >= 100) {
            lastDraw = clock.elapsed();
            progress.update(host.frames(), options.frames,
                            host.frames() * 1000.0 / std::max<qint64>(1, lastDraw));
        }
        QThread::msleep(5);
    }
    camera->IStopCamera();
    const double seconds = std::max<qint64>(1, clock.elapsed()) / 1000.0;
    progress.update(host.frames(), options.frames, host.frames() / seconds);
    progress.finish();

    const int width = camera->m_nWidth;
    const int height = camera->m_nHeight;
    const int bits = camera->m_nBitsPerPixel;
    const QString format = g_imageFormatNames.value(camera->m_nImageFormat, QStringLiteral("?"));
    camera->ICloseCamera();

    const int frames = host.frames();
    // Frames the camera sent that the SDK could not deliver whole.
    const Dahua::GenICam::CStreamStatistics dropped = Dahua::GenICam::streamStatistics();
    std::printf(
        "%s frames=%d size=%dx%d bpp=%d format=%s seconds=%.2f fps=%.1f MB/s=%.1f broken=%d lost=%llu\n",
        qPrintable(shownKey), frames, width, height, bits, qPrintable(format), seconds, frames / seconds,
        host.bytes() / seconds / 1.0e6, host.brokenPromises(),
        static_cast<unsigned long long>(dropped.incompleteFrames + dropped.lostFrames));
    std::fflush(stdout);

    int status = 0;
    if (!options.png.isEmpty()) {
        if (!writeFramePicture(options.png, host.lastFrame(), width, height, bits)) {
            fail(QStringLiteral("cannot write the PNG preview %1").arg(options.png));
            status = 1;
        }
    }
    if (options.snaps > 0 && snapsFired == 0)
        status = 1; // the refusal was reported when they were fired
    if (host.brokenPromises() > 0) {
        fail(QStringLiteral("%1 frames broke the host contract (frame number or image pointer)")
                 .arg(host.brokenPromises()));
        status = 1;
    }
    if (options.framesGiven && frames < options.frames) {
        fail(QStringLiteral("only %1 of %2 frames arrived within %3 seconds")
                 .arg(frames)
                 .arg(options.frames)
                 .arg(options.seconds));
        status = 1;
    }
    return status;
}
