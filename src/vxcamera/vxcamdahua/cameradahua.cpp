#include "cameradahua.h"

#include "cameralist.h"
#include "framedump.h"
#include "ipv4text.h"
#include "pixelformat.h"
#include "sdkfeatures.h"

#include <QDebug>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

using namespace Dahua::GenICam;

namespace {

// Every camera discovery found, shared by all CCameraDahua objects and kept
// apart from the current driver's list.
CCameraList g_DHCameraList;

// One integer feature read; -1 when the read fails.
int readInt(const CIntNode &node)
{
    int64_t value = 0;
    if (!node.getValue(value))
        return -1;
    return static_cast<int>(value);
}

bool readBool(const CBoolNode &node)
{
    bool value = false;
    return node.getValue(value) && value;
}

// Prints one of the driver's standard-output notes.
void printNote(const char *text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
}

} // namespace

CCameraDahua::CCameraDahua(tagVX_CAMERA_OPTION *option, IPoolCallback *callback)
    : ICameraObject(option, callback)
    , m_nCamTriggerMode(-1)
    , m_buffSize(0)
    , m_pBuff(nullptr)
{
    std::memset(static_cast<void *>(&m_camParam), 0, sizeof(m_camParam));
    initGreyBitmapInfo(m_bmpInfo);
}

CCameraDahua::~CCameraDahua()
{
    CCameraDahua::ICloseCamera();
    delete[] m_pBuff;
}

bool CCameraDahua::opened() const
{
    return std::atomic_ref<bool>(const_cast<bool &>(m_bOpened)).load();
}

IImageFormatControlPtr CCameraDahua::imageFormatControl() const
{
    return held() ? CSystem::getInstance().createImageFormatControl(m_cameraSptr) : nullptr;
}

IAcquisitionControlPtr CCameraDahua::acquisitionControl() const
{
    return held() ? CSystem::getInstance().createAcquisitionControl(m_cameraSptr) : nullptr;
}

IAnalogControlPtr CCameraDahua::analogControl() const
{
    return held() ? CSystem::getInstance().createAnalogControl(m_cameraSptr) : nullptr;
}

IISPControlPtr CCameraDahua::ispControl() const
{
    return held() ? CSystem::getInstance().createISPControl(m_cameraSptr) : nullptr;
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
    if (m_pCamOpt == nullptr || m_pCamOpt->boardNum < 0)
        return 0;
    if (opened())
        return 1;
    m_camParam.boardNum = m_pCamOpt->boardNum;
    qWarning() << "m_pCamOpt->boardNum is : " << m_pCamOpt->boardNum << Qt::endl;

    qWarning() << "g_DHCameraList.size is : " << g_DHCameraList.discoverIfEmpty() << Qt::endl;
    qWarning() << m_pCamOpt->cameraName << Qt::endl;
    // A camera held from an earlier failed open is never reused.
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
        ICloseCamera();
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
    IStopCamera();
    if (opened()) {
        if (m_cameraSptr) {
            m_cameraSptr->disconnect();
            m_cameraSptr.reset();
        }
        delete[] m_pBuff;
        m_pBuff = nullptr;
    }
    std::atomic_ref<bool>(m_bOpened).store(false);
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
    const quint32 number = frameNum.fetch_add(1) + 1;
    const auto *pixels = static_cast<const unsigned char *>(frame.getImage());
    std::atomic_ref<const unsigned char *>(m_pImageData).store(pixels);

    std::atomic_ref<quint8> saveFlag(m_pCamOpt->saveFlag);
    if (saveFlag.load() != 0) {
        saveFlag.store(2);
        SaveFrameToFile(frame, dumpFileName(number, *m_pCamOpt));
    }
    // The host may close or delete this object from inside its callback: the
    // line after it uses only values read before.
    const int boardNum = m_pCamOpt->boardNum;
    if (m_pPoolCallback != nullptr)
        m_pPoolCallback->IFrameReady(this);
    qWarning() << "m_pCamOpt->boardNum is : " << boardNum << "     m_nFrameNum num is: " << number
               << Qt::endl;
}

void CCameraDahua::SaveFrameToFile(const CFrame &frame, const QString &fileName)
{
    // Geometry read from the camera now; the geometry of the open when it cannot be read.
    int width = GetWidth();
    int height = GetHeight();
    if (width < 0)
        width = m_nWidth;
    if (height < 0)
        height = m_nHeight;
    writeFrameDump(fileName, m_bmpInfo, width, height, m_nBitsPerPixel, frame.getImage(),
                   frame.getImageSize());
}

// ---- parameter setters -------------------------------------------------------

bool CCameraDahua::SetWidth(int value)
{
    if (!held() || !opened() || value < 0)
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    const bool ok = control && control->width().setValue(value);
    if (ok)
        m_camParam.width = value;
    return ok;
}

bool CCameraDahua::SetHeight(int value)
{
    if (!held() || value < 0)
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    const bool ok = control && control->height().setValue(value);
    if (ok)
        m_camParam.height = value;
    return ok;
}

bool CCameraDahua::SetOffsetX(int value)
{
    if (!held() || !opened() || value < 0)
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && control->offsetX().setValue(value);
}

bool CCameraDahua::SetOffsetY(int value)
{
    if (!held() || value < 0)
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && control->offsetY().setValue(value);
}

bool CCameraDahua::SetBrightness(int value)
{
    if (!held() || value < 0)
        return false;
    IISPControlPtr control = ispControl();
    return control && control->brightness().setValue(value);
}

bool CCameraDahua::SetShutter(double value)
{
    if (!held() || !(value >= 0))
        return false;
    IAcquisitionControlPtr control = acquisitionControl();
    if (!control)
        return false;
    writeSymbol(control->exposureAuto(), "Off");
    const bool ok = control->exposureTime().setValue(value);
    if (!ok)
        printNote("----set shutter fail\n");
    return ok;
}

bool CCameraDahua::SetGain(int value)
{
    if (!held() || value < 0)
        return false;
    IAnalogControlPtr control = analogControl();
    if (!control)
        return false;
    writeSymbol(control->gainAuto(), "Off");
    return control->gainRaw().setValue(static_cast<double>(value));
}

bool CCameraDahua::SetContrast(int value)
{
    if (!held() || value < 0)
        return false;
    IISPControlPtr control = ispControl();
    if (!control)
        return false;
    const bool ok = control->contrast().setValue(value);
    if (!ok)
        printNote("----set SetContrast fail\n");
    return ok;
}

bool CCameraDahua::SetReverseX(bool value)
{
    if (!held() || !opened())
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && control->reverseX().setValue(value);
}

bool CCameraDahua::SetReverseY(bool value)
{
    if (!held() || !opened())
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && control->reverseY().setValue(value);
}

bool CCameraDahua::SetTriggerMode(int value)
{
    if (!held() || value < 0 || m_camParam.boardNum == -1)
        return false;
    m_nCamTriggerMode = value;
    if (value != 0 && value != 1)
        return false;
    IAcquisitionControlPtr control = acquisitionControl();
    return control && writeSymbol(control->triggerMode(), value == 0 ? "Off" : "On");
}

bool CCameraDahua::SetTriggerSource(enumTRIGSRC value)
{
    qWarning("start dahua camera trigger source...");
    if (!held() || value < 0 || m_camParam.boardNum == -1 || !m_acqCtrlSptr)
        return false;
    switch (value) {
    case TRIGSRC_SOFTWARE:
        writeSymbol(m_acqCtrlSptr->triggerSource(), "Software");
        if (!writeSymbol(m_acqCtrlSptr->triggerSelector(), "FrameStart")) {
            qWarning("set trigger selector failed");
            return false;
        }
        if (!writeSymbol(m_acqCtrlSptr->triggerMode(), "On")) {
            qWarning("set trigger mode failed");
            return false;
        }
        return true;
    case TRIGSRC_LINE1:
        return writeSymbol(m_acqCtrlSptr->triggerSource(), "Line1");
    }
    return false;
}

// ---- parameter getters -------------------------------------------------------

int CCameraDahua::GetWidth()
{
    if (!held() || !opened())
        return -1;
    IImageFormatControlPtr control = imageFormatControl();
    return control ? readInt(control->width()) : -1;
}

int CCameraDahua::GetHeight()
{
    if (!held() || !opened())
        return -1;
    IImageFormatControlPtr control = imageFormatControl();
    return control ? readInt(control->height()) : -1;
}

int CCameraDahua::GetOffsetX()
{
    if (!held() || !opened())
        return -1;
    IImageFormatControlPtr control = imageFormatControl();
    return control ? readInt(control->offsetX()) : -1;
}

int CCameraDahua::GetOffsetY()
{
    if (!held() || !opened())
        return -1;
    IImageFormatControlPtr control = imageFormatControl();
    return control ? readInt(control->offsetY()) : -1;
}

int CCameraDahua::GetBrightness()
{
    if (!held() || !opened())
        return -1;
    IISPControlPtr control = ispControl();
    return control ? readInt(control->brightness()) : -1;
}

int CCameraDahua::GetContrast()
{
    if (!held() || !opened())
        return -1;
    IISPControlPtr control = ispControl();
    return control ? readInt(control->contrast()) : -1;
}

int CCameraDahua::GetGain()
{
    if (!held() || !opened())
        return -1;
    IAnalogControlPtr control = analogControl();
    double gain = 0;
    if (!control || !control->gainRaw().getValue(gain))
        return -1;
    return static_cast<int>(gain);
}

int CCameraDahua::GetExposureTime()
{
    if (!held() || !opened())
        return -1;
    IAcquisitionControlPtr control = acquisitionControl();
    if (!control)
        return -1;
    CDoubleNode node = control->exposureTime();
    double exposure = 0;
    if (!node.isValid() || !node.getValue(exposure))
        return -1;
    std::printf("exposureTime=%f\n", exposure);
    std::fflush(stdout);
    return static_cast<int>(exposure);
}

int CCameraDahua::GetTriggerMode()
{
    if (!held() || !opened())
        return -1;
    if (m_camParam.boardNum != -1) {
        Dahua::Infra::CString symbol;
        IAcquisitionControlPtr control = acquisitionControl();
        if (control) {
            CEnumNode node = control->triggerMode();
            if (node.isValid())
                node.getValueSymbol(symbol);
        }
        m_nCamTriggerMode = symbol == "On" ? 1 : 0;
    }
    return m_nCamTriggerMode;
}

int CCameraDahua::GetTriggerSource()
{
    if (!held() || !opened() || m_camParam.boardNum == -1)
        return -1;
    IAcquisitionControlPtr control = acquisitionControl();
    if (!control)
        return -1;
    CEnumNode node = control->triggerSource();
    Dahua::Infra::CString symbol;
    if (!node.isValid() || !node.getValueSymbol(symbol))
        return -1;
    if (symbol == "Software")
        return TRIGSRC_SOFTWARE;
    if (symbol == "Line1")
        return TRIGSRC_LINE1;
    return -1;
}

bool CCameraDahua::GetReverseX()
{
    if (!held() || !opened())
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && readBool(control->reverseX());
}

bool CCameraDahua::GetReverseY()
{
    if (!held() || !opened())
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && readBool(control->reverseY());
}

bool CCameraDahua::GetPixelFormat(Dahua::Infra::CString &symbol)
{
    if (!held() || !opened())
        return false;
    IImageFormatControlPtr control = imageFormatControl();
    return control && control->pixelFormat().getValueSymbol(symbol);
}

bool CCameraDahua::IsConnected()
{
    return held() && m_cameraSptr->isConnected();
}

// ---- parameter record and property -------------------------------------------

bool CCameraDahua::SetParams(tagDH_CAMERA_PARAM &param)
{
    if (!held() || !IsConnected())
        return false;
    SetHeight(param.height);
    SetWidth(param.width);
    SetOffsetX(param.offsetX);
    SetOffsetY(param.offsetY);
    SetBrightness(param.brightness);
    SetShutter(static_cast<double>(param.exposure));
    SetGain(param.gain);
    SetContrast(param.contrast);
    SetTriggerMode(param.triggerMode);
    SetTriggerSource(static_cast<enumTRIGSRC>(param.triggerSource));
    return true;
}

bool CCameraDahua::GetParams(tagDH_CAMERA_PARAM &param)
{
    if (!held() || !opened())
        return false;
    param.boardNum = GetBoardNum();
    param.brightness = GetBrightness();
    param.contrast = GetContrast();
    param.gain = GetGain();
    param.exposure = GetExposureTime();
    param.height = GetHeight();
    param.width = GetWidth();
    param.triggerMode = GetTriggerMode();
    param.triggerSource = GetTriggerSource();
    return true;
}

void CCameraDahua::ISetProperty(tagVX_CAMERA_PROPERTY *property)
{
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
