#include "cameradahuav2.h"

#include "cameralist.h"
#include "framedump.h"
#include "pixelformat.h"
#include "sdkfeatures.h"

#include <QDebug>

#include <atomic>
#include <new>

using namespace Dahua::GenICam;

namespace {

// Every camera discovery found, shared by all CCameraDahuaV2 objects.
CCameraList g_DHCameraListV2;

const char *const kOpen = "CCameraDahuaV2::IOpenCamera";
const char *const kStart = "CCameraDahuaV2::IStartCamera";
const char *const kSnap = "CCameraDahuaV2::ISnapCamera";
const char *const kFrame = "CCameraDahuaV2::onGetFrame";

} // namespace

CCameraDahuaV2::CCameraDahuaV2(tagVX_CAMERA_OPTION *option, IPoolCallback *callback)
    : ICameraObject(option, callback)
    , m_buffSize(0)
    , m_announcedBytes(0)
    , m_pBuff(nullptr)
    , m_operations(*this)
{
    initGreyBitmapInfo(m_bmpInfo);
}

CCameraDahuaV2::~CCameraDahuaV2()
{
    {
        // Also waits until no delivery is inside the object any more.
        const COperationGuard::Operation operation(m_operations, COperationGuard::Delete);
        CCameraDahuaV2::ICloseCamera();
    }
    delete[] m_pBuff;
}

int CCameraDahuaV2::DiscoverCameras()
{
    return g_DHCameraListV2.discover();
}

QStringList CCameraDahuaV2::IGetCameraList()
{
    return g_DHCameraListV2.keys();
}

IStreamSource::Proc CCameraDahuaV2::frameHandler()
{
    return IStreamSource::Proc::bind<&CCameraDahuaV2::onGetFrame>(this);
}

void CCameraDahuaV2::applyPixelFormat(const QByteArray &symbol)
{
    const int listed = listedPixelFormatBits(symbol);
    m_nBitsPerPixel = listed != 0 ? listed : 32;
    m_nImageFormat = imageFormatFor(symbol, m_nBitsPerPixel);
}

void CCameraDahuaV2::releaseFailedOpen(bool connected, bool attached)
{
    if (m_streamPtr && attached)
        m_streamPtr->detachGrabbing(frameHandler());
    m_streamPtr.reset();
    if (m_cameraSptr && connected)
        m_cameraSptr->disconnect();
    m_cameraSptr.reset();
}

int CCameraDahuaV2::IOpenCamera()
{
    const COperationGuard::Operation operation(m_operations, COperationGuard::Open);
    if (!operation.entered())
        return 0;
    if (m_pCamOpt == nullptr)
        return 0;
    if (std::atomic_ref<bool>(m_bOpened).load())
        return 1;
    const QString &name = m_pCamOpt->cameraName;

    // Find the camera by its key; a camera held from an earlier failed open is never reused.
    g_DHCameraListV2.discoverIfEmpty();
    m_cameraSptr = g_DHCameraListV2.find(name);
    if (!m_cameraSptr) {
        qWarning() << "Failed to find camera: " << name << " - " << kOpen;
        return 0;
    }

    if (!m_cameraSptr->connect(accessPermissionControl)) {
        qWarning() << "Failed to connect camera: " << name << " - " << kOpen;
        releaseFailedOpen(false, false);
        return 0;
    }

    CSystem &system = CSystem::getInstance();
    m_acqCtrlSptr = system.createAcquisitionControl(m_cameraSptr);
    if (!m_acqCtrlSptr) {
        qWarning() << "Failed to create AcquisitionControl object"
                   << " - " << kOpen;
        releaseFailedOpen(true, false);
        return 0;
    }

    Dahua::Infra::CString model;
    CStringNode(m_cameraSptr, "DeviceModelName").getValue(model);
    m_modelName = QByteArray(model.c_str());

    // Geometry and pixel format; the control is held only for these reads.
    {
        IImageFormatControlPtr format = system.createImageFormatControl(m_cameraSptr);
        if (!format) {
            qWarning() << "Failed to create ImageFormatControl object"
                       << " - " << kOpen;
            releaseFailedOpen(true, false);
            return 0;
        }
        int64_t width = 0;
        int64_t height = 0;
        if (!format->width().getValue(width))
            width = 0;
        if (!format->height().getValue(height))
            height = 0;
        m_nWidth = static_cast<qint32>(width);
        m_nHeight = static_cast<qint32>(height);
        Dahua::Infra::CString pixelFormat;
        format->pixelFormat().getValueSymbol(pixelFormat);
        applyPixelFormat(QByteArray(pixelFormat.c_str()));
    }

    m_streamPtr = system.createStreamSource(m_cameraSptr, 0);
    if (!m_streamPtr) {
        qWarning() << "Failed to createStreamSource"
                   << " - " << kOpen;
        releaseFailedOpen(true, false);
        return 0;
    }
    if (!m_streamPtr->attachGrabbing(frameHandler())) {
        qWarning() << "Failed to attachGrabbing"
                   << " - " << kOpen;
        releaseFailedOpen(true, false);
        return 0;
    }

    delete[] m_pBuff;
    m_pBuff = nullptr;
    quint32 size = 0;
    const bool fits = frameByteCount(m_nWidth, m_nHeight, m_nBitsPerPixel / 8, &size);
    std::atomic_ref<quint32>(m_buffSize).store(fits ? size : 0);
    std::atomic_ref<quint64>(m_announcedBytes)
        .store(announcedFrameBytes(m_nWidth, m_nHeight, m_nBitsPerPixel));
    try {
        if (!fits)
            throw std::bad_alloc();
        m_pBuff = new unsigned char[size];
    } catch (const std::bad_alloc &) {
        qWarning() << "Failed to create buffer"
                   << " - " << kOpen;
        releaseFailedOpen(true, true);
        return 0;
    }

    std::atomic_ref<quint32>(m_nFrameNum).store(0);
    std::atomic_ref<bool>(m_bStarted).store(false);
    std::atomic_ref<bool>(m_bOpened).store(true);
    qDebug() << "Successfully open camera: " << name << " - " << kOpen;
    return 1;
}

void CCameraDahuaV2::ICloseCamera()
{
    const COperationGuard::Operation operation(m_operations, COperationGuard::Close);
    if (!operation.entered())
        return;
    if (!std::atomic_ref<bool>(m_bOpened).load())
        return;
    if (!m_cameraSptr || !m_streamPtr || !m_acqCtrlSptr)
        return;
    IStopCamera();
    if (m_streamPtr) {
        m_streamPtr->stopGrabbing();
        m_streamPtr->detachGrabbing(frameHandler());
        m_streamPtr.reset();
    }
    if (m_cameraSptr) {
        m_cameraSptr->disconnect();
        m_cameraSptr.reset();
    }
    delete[] m_pBuff;
    m_pBuff = nullptr;
    std::atomic_ref<bool>(m_bOpened).store(false);
    std::atomic_ref<bool>(m_bStarted).store(false);
    // Whatever mode the camera had is unknown once it is closed (a stop that
    // failed left it set): the next open's start writes the trigger features.
    std::atomic_ref<qint32>(m_nCurTriggerMode).store(0);
}

int CCameraDahuaV2::IStartCamera()
{
    const COperationGuard::Operation operation(m_operations, COperationGuard::Start);
    if (!operation.entered())
        return 0;
    std::atomic_ref<bool> started(m_bStarted);
    std::atomic_ref<qint32> current(m_nCurTriggerMode);
    const qint32 requested = std::atomic_ref<qint32>(m_nTriggerMode).load();
    if (!std::atomic_ref<bool>(m_bOpened).load())
        return 0;
    if (started.load() && current.load() == requested)
        return 1;
    if (!m_cameraSptr || !m_streamPtr || !m_acqCtrlSptr)
        return 0;

    if (!m_streamPtr->stopGrabbing()) {
        qWarning() << "Failed to stopGrabbing - " << kStart;
        return 0;
    }
    // The stream is stopped now; the flag follows it until grabbing starts again.
    started.store(false);
    m_smallFrameWarning.rearm();
    m_dumpWarning.rearm();

    if (current.load() != requested) {
        switch (requested) {
        case 1:
            if (!writeSymbol(m_acqCtrlSptr->triggerMode(), "On")) {
                qWarning() << "Failed to set out trigger mode - " << kStart;
                return 0;
            }
            if (!writeSymbol(m_acqCtrlSptr->triggerSource(), "Line1")) {
                qWarning() << "Failed to set triggerSource - " << kStart;
                return 0;
            }
            break;
        case 2:
        case 3:
            if (!writeSymbol(m_acqCtrlSptr->triggerMode(), "Off")) {
                qWarning() << "Failed to set inner trigger mode - " << kStart;
                return 0;
            }
            break;
        default:
            break;
        }
    }
    current.store(requested);

    // The flag goes up before grabbing does: the first frames may reach the
    // handler before startGrabbing has returned, and they belong to this start.
    started.store(true);
    if (!m_streamPtr->startGrabbing(0, grabStrategySequential)) {
        started.store(false);
        qWarning() << "Failed to startGrabbing - " << kStart;
        return 0;
    }
    return 1;
}

void CCameraDahuaV2::IStopCamera()
{
    const COperationGuard::Operation operation(m_operations, COperationGuard::Stop);
    if (!operation.entered())
        return;
    if (!std::atomic_ref<bool>(m_bOpened).load() || !std::atomic_ref<bool>(m_bStarted).load())
        return;
    if (!m_cameraSptr || !m_streamPtr || !m_acqCtrlSptr)
        return;
    if (!m_streamPtr->stopGrabbing()) {
        qWarning() << "Failed to stopGrabbing - "
                   << "CCameraDahuaV2::IStopCamera";
        return;
    }
    std::atomic_ref<qint32>(m_nCurTriggerMode).store(0);
    std::atomic_ref<bool>(m_bStarted).store(false);
}

int CCameraDahuaV2::ISnapCamera(emVxTriggerDirection direction)
{
    const COperationGuard::Operation operation(m_operations, COperationGuard::Snap);
    if (!operation.entered())
        return 0;
    if (ICameraObject::ISnapCamera(direction) == 0)
        return 0;
    if (!m_cameraSptr || !m_streamPtr || !m_acqCtrlSptr)
        return 0;
    std::atomic_ref<qint32> current(m_nCurTriggerMode);
    if (current.load() != 4) {
        if (!writeSymbol(m_acqCtrlSptr->triggerSource(), "Software")) {
            qWarning() << "Failed to set triggerSource - " << kSnap;
            return 0;
        }
        if (!writeSymbol(m_acqCtrlSptr->triggerSelector(), "FrameStart")) {
            qWarning() << "Failed to set out trigger mode - " << kSnap;
            return 0;
        }
        if (!writeSymbol(m_acqCtrlSptr->triggerMode(), "On")) {
            qWarning() << "Failed to set out trigger mode - " << kSnap;
            return 0;
        }
        current.store(4);
    }
    if (!m_acqCtrlSptr->triggerSoftware().execute()) {
        qWarning() << "Failed to set triggerSoftware - " << kSnap;
        return 0;
    }
    return 1;
}

bool CCameraDahuaV2::SetExposureTime(double value)
{
    if (!m_cameraSptr || !m_acqCtrlSptr || value < 0)
        return false;
    writeSymbol(m_acqCtrlSptr->exposureAuto(), "Off");
    const bool ok = m_acqCtrlSptr->exposureTime().setValue(value);
    if (!ok)
        qWarning() << "Failed to set exposureTime. - "
                   << "CCameraDahuaV2::SetExposureTime";
    return ok;
}

void CCameraDahuaV2::ISetProperty(tagVX_CAMERA_PROPERTY *property)
{
    const COperationGuard::Operation operation(m_operations, COperationGuard::Property);
    if (!operation.entered())
        return;
    if (property == nullptr || property->propId != 1)
        return;
    const int value = property->propValue;
    if (SetExposureTime(static_cast<double>(value))) {
        qDebug() << QStringLiteral("Set exposure time value:%1 successfully.").arg(value) << " - "
                 << "CCameraDahuaV2::ISetProperty";
    } else {
        qWarning() << QStringLiteral("Set exposure time:%1 failed.").arg(value) << " - "
                   << "CCameraDahuaV2::ISetProperty";
    }
}

void CCameraDahuaV2::onGetFrame(const CFrame &frame)
{
    const COperationGuard::Delivery delivery(m_operations);
    if (!delivery.admitted())
        return;
    if (!std::atomic_ref<bool>(m_bStarted).load() || !std::atomic_ref<bool>(m_bOpened).load()) {
        qWarning() << m_pCamOpt->cameraName << " not started"
                   << " - " << kFrame;
        return;
    }
    const quint32 size = frame.getImageSize();
    const quint32 expected = std::atomic_ref<quint32>(m_buffSize).load();
    if (expected < size) {
        qWarning() << QStringLiteral("Except image size:=%1, but got image size%2").arg(expected).arg(size)
                   << " - " << kFrame;
        return;
    }
    // A host reads the announced size from every frame: a shorter one would
    // make it read past the frame's end.
    const quint64 announced = std::atomic_ref<quint64>(m_announcedBytes).load();
    if (size < announced) {
        if (m_smallFrameWarning.first())
            qWarning() << QStringLiteral(
                              "Image smaller than announced: expected image size %1 (%2 x %3, %4 bits "
                              "per pixel), but got image size %5; such frames are dropped")
                              .arg(announced)
                              .arg(m_nWidth)
                              .arg(m_nHeight)
                              .arg(m_nBitsPerPixel)
                              .arg(size)
                       << " - " << kFrame;
        return;
    }
    const quint32 number = std::atomic_ref<quint32>(m_nFrameNum).fetch_add(1) + 1;
    const auto *pixels = static_cast<const unsigned char *>(frame.getImage());
    std::atomic_ref<const unsigned char *>(m_pImageData).store(pixels);

    std::atomic_ref<quint8> saveFlag(m_pCamOpt->saveFlag);
    if (saveFlag.load() != 0) {
        saveFlag.store(2);
        const QString fileName = dumpFileName(number, *m_pCamOpt);
        const QString problem
            = writeFrameDump(fileName, m_bmpInfo, m_nWidth, m_nHeight, m_nBitsPerPixel, pixels, size);
        if (!problem.isEmpty() && m_dumpWarning.first())
            qWarning() << QStringLiteral("Failed to save image to file %1: %2").arg(fileName, problem)
                       << " - " << kFrame;
    }
    // The host may close or even delete this object from inside its callback:
    // nothing of the object is touched after this call.
    if (m_pPoolCallback != nullptr)
        m_pPoolCallback->IFrameReady(this);
}
