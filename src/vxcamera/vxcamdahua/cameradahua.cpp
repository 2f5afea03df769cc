// The earlier driver's object, camera list, open and close, acquisition,
// snapshot, frames and property; its parameter setters and getters are in
// cameradahuaparams.cpp.
#include "cameradahua.h"

#include "cameralist.h"
#include "framedump.h"
#include "ipv4text.h"
#include "pixelformat.h"
#include "sdkfeatures.h"

#include <QDebug>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

using namespace Dahua::GenICam;

namespace {

// Every camera discovery found, shared by all CCameraDahua objects and kept
// apart from the current driver's list.
CCameraList g_DHCameraList;

} // namespace

CCameraDahua::CCameraDahua(tagVX_CAMERA_OPTION *option, IPoolCallback *callback)
    : ICameraObject(option, callback)
    , m_nCamTriggerMode(-1)
    , m_buffSize(0)
    , m_announcedBytes(0)
    , m_pBuff(nullptr)
    , m_operations(*this)
{
    std::memset(static_cast<void *>(&m_camParam), 0, sizeof(m_camParam));
    initGreyBitmapInfo(m_bmpInfo);
}

CCameraDahua::~CCameraDahua()
{
    {
        // Also waits until no delivery is inside the object any more.
        const COperationGuard::Operation operation(m_operations, COperationGuard::Delete);
        CCameraDahua::ICloseCamera();
    }
    delete[] m_pBuff;
}

bool CCameraDahua::opened() const
{
    return std::atomic_ref<bool>(const_cast<bool &>(m_bOpened)).load();
}

IStreamSource::Proc CCameraDahua::frameHandler()
{
    return IStreamSource::Proc::bind<&CCameraDahua::onGetFrame>(this);
}

// ---- camera list, open and close ------------------------------------------

int CCameraDahua::DiscoverCameras()
{
    return g_DHCameraList.discover();
}

QStringList CCameraDahua::IGetCameraList()
{
    return g_DHCameraList.keys();
}

int CCameraDahua::IOpenCamera()
{
    const COperationGuard::Operation operation(m_operations, COperationGuard::Open);
    if (!operation.entered())
        return 0;
    if (m_pCamOpt == nullptr || m_pCamOpt->boardNum < 0)
        return 0;
    if (opened())
        return 1;
    m_camParam.boardNum = m_pCamOpt->boardNum;
    qWarning() << "m_pCamOpt->boardNum is : " << m_pCamOpt->boardNum << Qt::endl;

    qWarning() << "g_DHCameraList.size is : " << g_DHCameraList.discoverIfEmpty() << Qt::endl;
    qWarning() << m_pCamOpt->cameraName << Qt::endl;
    // A camera held from an earlier failed open is never reused.
    releaseFailedOpen();
    m_cameraSptr = g_DHCameraList.find(m_pCamOpt->cameraName);
    if (!m_cameraSptr) {
        qWarning() << "m_cameraSptr == NULL " << Qt::endl;
        return 0;
    }
    if (!m_cameraSptr->connect(accessPermissionControl)) {
        qWarning() << "m_cameraSptr->connect failed!! " << Qt::endl;
        return 0;
    }
    m_acqCtrlSptr = CSystem::getInstance().createAcquisitionControl(m_cameraSptr);
    if (!m_acqCtrlSptr) {
        qWarning("create AcquisitionControl object fail");
        // The open keeps the connection; the close it calls leaves it alone.
        m_failedOpenConnected = true;
        m_opening = true;
        ICloseCamera();
        m_opening = false;
        return 0;
    }
    Dahua::Infra::CString model;
    CStringNode(m_cameraSptr, "DeviceModelName").getValue(model);
    m_modelName = QByteArray(model.c_str());

    // The geometry getters work only on an open driver.
    std::atomic_ref<bool>(m_bOpened).store(true);
    m_camParam.width = GetWidth();
    m_camParam.height = GetHeight();
    m_nWidth = m_camParam.width;
    m_nHeight = m_camParam.height;

    Dahua::Infra::CString pixelFormat;
    GetPixelFormat(pixelFormat);
    SetBitsByPixelFormat(QByteArray(pixelFormat.c_str()));
    m_pCamOpt->imageFormat = imageFormatFor(QByteArray(pixelFormat.c_str()), m_nBitsPerPixel);
    m_nImageFormat = m_pCamOpt->imageFormat;

    ApplyModelParams();
    qWarning() << "CCameraDahua::IOpenCamera success*************************** " << Qt::endl;
    return 1;
}

void CCameraDahua::SetBitsByPixelFormat(const QByteArray &symbol)
{
    const int listed = listedPixelFormatBits(symbol);
    if (listed != 0)
        m_nBitsPerPixel = listed;
}

void CCameraDahua::ApplyModelParams()
{
    if (!held() || !opened())
        return;
    m_camParam.triggerMode = 1;
    m_camParam.triggerSource = TRIGSRC_SOFTWARE;
    for (const char *model : {"A5031", "A5051", "A5131", "L5043"}) {
        if (m_modelName.contains(model)) {
            SetParams(m_camParam);
            return;
        }
    }
}

void CCameraDahua::ICloseCamera()
{
    const COperationGuard::Operation operation(m_operations, COperationGuard::Close);
    if (!operation.entered())
        return;
    IStopCamera();
    if (opened()) {
        if (m_cameraSptr) {
            m_cameraSptr->disconnect();
            m_cameraSptr.reset();
        }
        delete[] m_pBuff;
        m_pBuff = nullptr;
    } else if (!m_opening) {
        releaseFailedOpen();
    }
    std::atomic_ref<bool>(m_bOpened).store(false);
}

void CCameraDahua::releaseFailedOpen()
{
    if (!m_failedOpenConnected)
        return;
    m_failedOpenConnected = false;
    if (m_cameraSptr) {
        m_cameraSptr->disconnect();
        m_cameraSptr.reset();
    }
}

bool CCameraDahua::AdjustCameraIp()
{
    if (!held())
        return false;
    if (m_cameraSptr->getType() != 0)
        return true;
    IGigEInterfacePtr gigeInterface = IGigEInterface::getInstance(m_cameraSptr);
    if (!gigeInterface)
        return false;
    quint32 interfaceAddress = 0;
    quint32 mask = 0;
    const QString maskText = QString::fromUtf8(gigeInterface->getSubnetMask().c_str());
    if (!ipv4FromText(QString::fromUtf8(gigeInterface->getIpAddress().c_str()), &interfaceAddress)
        || !ipv4FromText(maskText, &mask))
        return false;
    IGigECameraPtr gigeCamera = IGigECamera::getInstance(m_cameraSptr);
    if (!gigeCamera)
        return false;
    quint32 cameraAddress = 0;
    if (!ipv4FromText(QString::fromUtf8(gigeCamera->getIpAddress().c_str()), &cameraAddress))
        return false;
    if ((mask & interfaceAddress) == (mask & cameraAddress))
        return true;

    quint32 host = 0;
    do {
        host = static_cast<quint32>(std::rand() % 254) + 1;
    } while (host == (interfaceAddress & 0xFF));
    const quint32 newAddress = (interfaceAddress & 0xFFFFFF00u) | host;
    char address[20] = {};
    const QByteArray text = ipv4ToText(newAddress).toLatin1();
    std::memcpy(address, text.constData(), std::min<std::size_t>(text.size(), sizeof(address) - 1));
    return gigeCamera->forceIpAddress(address, gigeInterface->getSubnetMask().c_str(),
                                      gigeInterface->getGateway().c_str());
}

// ---- acquisition and snapshot ----------------------------------------------

void CCameraDahua::releaseStartedStream(bool attached)
{
    if (!m_streamPtr)
        return;
    m_streamPtr->stopGrabbing();
    if (attached)
        m_streamPtr->detachGrabbing(frameHandler());
    m_streamPtr.reset();
}

int CCameraDahua::IStartCamera()
{
    const COperationGuard::Operation operation(m_operations, COperationGuard::Start);
    if (!operation.entered())
        return 0;
    qWarning() << "CCameraDahua::IStartCamera begin*** " << Qt::endl;
    if (!opened())
        return 0;
    std::atomic_ref<bool> started(m_bStarted);
    if (started.load())
        return 1;
    const qint32 requested = std::atomic_ref<qint32>(m_nTriggerMode).load();
    if (requested == 3)
        std::atomic_ref<quint32>(m_nFrameNum).store(0);

    m_streamPtr = CSystem::getInstance().createStreamSource(m_cameraSptr, 0);
    if (!m_streamPtr) {
        qWarning() << "m_streamPtr == NULL " << Qt::endl;
        return 0;
    }
    if (!m_streamPtr->attachGrabbing(frameHandler())) {
        qWarning() << "m_streamPtr->attachGrabbing failed! " << Qt::endl;
        releaseStartedStream(false);
        return 0;
    }

    delete[] m_pBuff;
    m_pBuff = nullptr;
    const int bytesPerPixel = m_nBitsPerPixel <= 8 ? 1
        : m_nBitsPerPixel <= 16                    ? 2
        : m_nBitsPerPixel <= 24                    ? 3
                                                   : 4;
    quint32 size = 0;
    const bool fits = frameByteCount(m_camParam.width, m_camParam.height, bytesPerPixel, &size);
    std::atomic_ref<quint32>(m_buffSize).store(fits ? size : 0);
    std::atomic_ref<quint64>(m_announcedBytes)
        .store(announcedFrameBytes(m_nWidth, m_nHeight, m_nBitsPerPixel));
    m_smallFrameWarning.rearm();
    m_dumpWarning.rearm();
    try {
        if (!fits)
            throw std::bad_alloc();
        m_pBuff = new unsigned char[size];
    } catch (const std::bad_alloc &) {
        releaseStartedStream(true);
        return 0;
    }

    // Flag and mode go up before grabbing does: the first frames may reach the
    // handler before startGrabbing has returned, and they belong to this start.
    std::atomic_ref<qint32> current(m_nCurTriggerMode);
    const qint32 previous = current.load();
    started.store(true);
    current.store(requested);
    if (!m_streamPtr->startGrabbing(0, grabStrategySequential)) {
        started.store(false);
        current.store(previous);
        qWarning() << "m_streamPtr->startGrabbing failed! " << Qt::endl;
        releaseStartedStream(true);
        return 0;
    }
    qWarning() << "CCameraDahua::IStartCamera success*************************** " << Qt::endl;
    return 1;
}

void CCameraDahua::IStopCamera()
{
    const COperationGuard::Operation operation(m_operations, COperationGuard::Stop);
    if (!operation.entered())
        return;
    if (!std::atomic_ref<bool>(m_bStarted).load())
        return;
    if (m_streamPtr) {
        m_streamPtr->stopGrabbing();
        m_streamPtr->detachGrabbing(frameHandler());
        m_streamPtr.reset();
    }
    std::atomic_ref<bool>(m_bStarted).store(false);
    std::atomic_ref<qint32>(m_nCurTriggerMode).store(0);
}

int CCameraDahua::ISnapCamera(emVxTriggerDirection direction)
{
    const COperationGuard::Operation operation(m_operations, COperationGuard::Snap);
    if (!operation.entered())
        return 0;
    qWarning("ISnapCamera....");
    if (ICameraObject::ISnapCamera(direction) == 0)
        return 0;
    if (!SetTriggerSource(TRIGSRC_SOFTWARE))
        return 0;
    qWarning("set soft trigger success");
    if (std::atomic_ref<qint32>(m_nCurTriggerMode).load() != 1)
        return 1;
    if (!m_acqCtrlSptr || !m_acqCtrlSptr->triggerSoftware().execute()) {
        qWarning("Software Trigger is failed");
        return 0;
    }
    return 1;
}

// ---- frames ------------------------------------------------------------------

void CCameraDahua::onGetFrame(const CFrame &frame)
{
    const COperationGuard::Delivery delivery(m_operations);
    if (!delivery.admitted())
        return;
    if (!std::atomic_ref<bool>(m_bStarted).load())
        return;
    std::atomic_ref<quint32> frameNum(m_nFrameNum);
    if (std::atomic_ref<qint32>(m_nTriggerMode).load() == 3
        && frameNum.load() >= std::atomic_ref<quint32>(m_nFrameLimit).load())
        return;
    const quint32 size = frame.getImageSize();
    const quint32 expected = std::atomic_ref<quint32>(m_buffSize).load();
    if (expected < size) {
        qWarning()
            << QStringLiteral("buff size too smaller, m_buffSize=%1, imageSize=%2").arg(expected).arg(size)
            << Qt::endl;
        return;
    }
    // A host reads the announced size from every frame: a shorter one would
    // make it read past the frame's end.
    const quint64 announced = std::atomic_ref<quint64>(m_announcedBytes).load();
    if (size < announced) {
        if (m_smallFrameWarning.first())
            qWarning() << QStringLiteral("image size too small, expected=%1 (%2 x %3, %4 bits per pixel), "
                                         "imageSize=%5; such frames are dropped")
                              .arg(announced)
                              .arg(m_nWidth)
                              .arg(m_nHeight)
                              .arg(m_nBitsPerPixel)
                              .arg(size)
                       << Qt::endl;
        return;
    }
    const quint32 number = frameNum.fetch_add(1) + 1;
    const auto *pixels = static_cast<const unsigned char *>(frame.getImage());
    std::atomic_ref<const unsigned char *>(m_pImageData).store(pixels);

    std::atomic_ref<quint8> saveFlag(m_pCamOpt->saveFlag);
    if (saveFlag.load() != 0) {
        saveFlag.store(2);
        const QString fileName = dumpFileName(number, *m_pCamOpt);
        const QString problem = SaveFrameToFile(frame, fileName);
        if (!problem.isEmpty() && m_dumpWarning.first())
            qWarning() << QStringLiteral("save image to file failed, %1: %2").arg(fileName, problem)
                       << Qt::endl;
    }
    // The host may close or delete this object from inside its callback: the
    // line after it uses only values read before.
    const int boardNum = m_pCamOpt->boardNum;
    if (m_pPoolCallback != nullptr)
        m_pPoolCallback->IFrameReady(this);
    qWarning() << "m_pCamOpt->boardNum is : " << boardNum << "     m_nFrameNum num is: " << number
               << Qt::endl;
}

QString CCameraDahua::SaveFrameToFile(const CFrame &frame, const QString &fileName)
{
    // Geometry read from the camera now; the geometry of the open when it cannot be read.
    int width = GetWidth();
    int height = GetHeight();
    if (width < 0)
        width = m_nWidth;
    if (height < 0)
        height = m_nHeight;
    return writeFrameDump(fileName, m_bmpInfo, width, height, m_nBitsPerPixel, frame.getImage(),
                          frame.getImageSize());
}

// ---- property ----------------------------------------------------------------

void CCameraDahua::ISetProperty(tagVX_CAMERA_PROPERTY *property)
{
    const COperationGuard::Operation operation(m_operations, COperationGuard::Property);
    if (!operation.entered())
        return;
    if (property == nullptr || property->propId != 1)
        return;
    const int value = property->propValue;
    if (SetShutter(static_cast<double>(value))) {
        qDebug() << QStringLiteral("Set exposure time value:%1 successfully.").arg(value) << " - "
                 << "CCameraDahua::ISetProperty";
    } else {
        qWarning() << QStringLiteral("Set exposure time:%1 failed.").arg(value) << " - "
                   << "CCameraDahua::ISetProperty";
    }
}
