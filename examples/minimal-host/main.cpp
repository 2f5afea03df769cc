// minimal-host: the smallest host of a camera plug-in, written against the
// contract header alone. It loads the plug-in by path, lists the cameras,
// opens one, grabs a few free-running frames and prints what it got.
//
//   minimal-host [PLUGIN [CAMERA_KEY [FRAMES]]]
//
// Defaults: the installed plug-in, the first camera listed, 5 frames.
#include <vxcameraobject.h>

#include <QLibrary>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

namespace {

// The plug-in's two entry points, resolved by name.
using CreateFunction = ICameraObject *(*)(tagVX_CAMERA_OPTION *, IPoolCallback *);
using DeleteFunction = void (*)(ICameraObject *);

// The host's callback. IFrameReady runs on the camera SDK's grabbing thread;
// the pixels are valid only during the call, so it keeps a line of text about
// each of the first `wanted` frames and lets the main thread wait for them.
class FrameReport : public IPoolCallback {
public:
    explicit FrameReport(int wanted)
        : m_wanted(wanted)
    {
    }
    virtual ~FrameReport() = default;

    void IStateChanged(ICameraObject *, int) override { }
    void IFrameReady(ICameraObject *camera) override
    {
        QString line = QStringLiteral("frame %1: %2x%3, %4 bits per pixel, %5, first bytes")
                           .arg(camera->m_nFrameNum)
                           .arg(camera->m_nWidth)
                           .arg(camera->m_nHeight)
                           .arg(camera->m_nBitsPerPixel)
                           .arg(g_imageFormatNames.value(camera->m_nImageFormat));
        const qint64 bytes
            = qint64(camera->m_nWidth) * camera->m_nHeight * ((camera->m_nBitsPerPixel + 7) / 8);
        for (qint64 i = 0; camera->m_pImageData != nullptr && i < qMin<qint64>(bytes, 4); ++i)
            line += QStringLiteral(" %1").arg(uint(camera->m_pImageData[i]), 2, 16, QLatin1Char('0'));
        std::lock_guard lock(m_mutex);
        if (m_lines.size() < m_wanted) {
            m_lines.append(line);
            m_changed.notify_all();
        }
    }

    // The lines kept once `wanted` frames have arrived or the time is up.
    QStringList wait(std::chrono::seconds timeout)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, timeout, [this] { return m_lines.size() >= m_wanted; });
        return m_lines;
    }

private:
    const int m_wanted;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QStringList m_lines;
};

} // namespace

int main(int argc, char *argv[])
{
    const QString pluginPath = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VXCAMERA_PLUGIN);
    const int wanted = argc > 3 ? QByteArray(argv[3]).toInt() : 5;
    if (wanted < 1) {
        std::fprintf(stderr, "usage: minimal-host [PLUGIN [CAMERA_KEY [FRAMES]]]\n");
        return 2;
    }

    QLibrary plugin(pluginPath);
    const auto create = reinterpret_cast<CreateFunction>(plugin.resolve("Camera_Create"));
    const auto destroy = reinterpret_cast<DeleteFunction>(plugin.resolve("Camera_Delete"));
    if (create == nullptr || destroy == nullptr) {
        std::fprintf(stderr, "minimal-host: cannot use plug-in %s: %s\n", qPrintable(pluginPath),
                     qPrintable(plugin.errorString()));
        return 1;
    }
    std::printf("plug-in %s\n", qPrintable(pluginPath));

    // The option record and the callback belong to the host and outlive the camera object.
    tagVX_CAMERA_OPTION option;
    FrameReport report(wanted);
    const std::unique_ptr<ICameraObject, DeleteFunction> camera(create(&option, &report), destroy);
    if (!camera) {
        std::fprintf(stderr, "minimal-host: the plug-in made no camera object\n");
        return 1;
    }

    const QStringList keys = camera->IGetCameraList();
    std::printf("%d cameras\n", int(keys.size()));
    for (const QString &key : keys)
        std::printf("  %s\n", qPrintable(key));

    option.cameraName = argc > 2 ? QString::fromLocal8Bit(argv[2]) : keys.value(0);
    if (camera->IOpenCamera() != 1) {
        std::fprintf(stderr, "minimal-host: cannot open camera \"%s\"\n", qPrintable(option.cameraName));
        return 1;
    }
    std::printf("opened %s: %dx%d, %d bits per pixel, %s\n", qPrintable(option.cameraName), camera->m_nWidth,
                camera->m_nHeight, camera->m_nBitsPerPixel,
                qPrintable(g_imageFormatNames.value(camera->m_nImageFormat)));

    camera->m_nTriggerMode = 2; // free run
    if (camera->IStartCamera() != 1) {
        std::fprintf(stderr, "minimal-host: cannot start camera \"%s\"\n", qPrintable(option.cameraName));
        return 1;
    }
    const QStringList frames = report.wait(std::chrono::seconds(10));
    camera->IStopCamera();
    camera->ICloseCamera();

    for (const QString &line : frames)
        std::printf("%s\n", qPrintable(line));
    std::printf("got %d of %d frames\n", int(frames.size()), wanted);
    return frames.size() == wanted ? 0 : 1;
}
