// CCameraDahua: the earlier Dahua camera driver, compiled into the plug-in
// beside the current one but never built by Camera_Create.
//
// It keeps its own camera list, reaches every camera feature through one
// setter or getter that takes a fresh control object per call, writes a
// whole parameter record to four camera models at open, and makes its stream
// source, frame handler and frame buffer at every start (released at stop).
//
// Ownership: the option record and the callback are the host's. SDK objects
// are held through shared handles. The parameter setters and getters live in
// cameradahuaparams.cpp.
//
// Threads: the host's threads call the operations; the SDK's grabbing thread
// runs onGetFrame, and inside it the host's IFrameReady, the dump (with two
// camera reads) and a log line. m_bStarted, m_nFrameNum, m_pImageData,
// m_nCurTriggerMode, m_buffSize, m_announcedBytes and the option's saveFlag are shared and
// accessed atomically (std::atomic_ref). The operations of the contract run
// one at a time through m_operations, which also decides what a call from
// inside the host's callback does while another thread is inside an
// operation (see COperationGuard). The parameter setters and getters are not
// serialised of their own: they run inside those operations, or on a thread
// that has the object to itself.
#ifndef VXCAMDAHUA_CAMERADAHUA_H
#define VXCAMDAHUA_CAMERADAHUA_H

#include "bitmapinfo.h"
#include "oncewarning.h"
#include "operationguard.h"
#include "vxcameraobject.h"

#include "MVSDK/GenICam.h"

#include <QByteArray>

// The driver's camera parameters; -1 means "not set".
struct tagDH_CAMERA_PARAM {
    tagDH_CAMERA_PARAM()
        : boardNum(-1)
        , width(-1)
        , height(-1)
        , brightness(-1)
        , exposure(-1)
        , contrast(-1)
        , gain(-1)
        , reserved1(-1)
        , reserved2(-1)
        , reserved3(-1)
        , offsetX(-1)
        , offsetY(-1)
        , triggerMode(-1)
        , triggerSource(-1)
    {
    }

    qint32 boardNum;
    qint32 width;
    qint32 height;
    qint32 brightness;
    qint32 exposure;
    qint32 contrast;
    qint32 gain;
    qint32 reserved1;
    qint32 reserved2;
    qint32 reserved3;
    qint32 offsetX;
    qint32 offsetY;
    qint32 triggerMode;   // 0 off, 1 on
    qint32 triggerSource; // an enumTRIGSRC value
};

enum enumTRIGSRC {
    TRIGSRC_SOFTWARE = 0, // source "Software", selector "FrameStart", mode "On"
    TRIGSRC_LINE1 = 1,    // source "Line1" only
};

class CCameraDahua : public ICameraObject {
public:
    CCameraDahua(tagVX_CAMERA_OPTION *option, IPoolCallback *callback);
    ~CCameraDahua() override;

    int IOpenCamera() override;
    void ICloseCamera() override;
    int IStartCamera() override;
    void IStopCamera() override;
    void IExtension1() override { }
    void IExtension2() override { }
    QStringList IGetCameraList() override;
    int ISnapCamera(emVxTriggerDirection direction) override;
    void ISetProperty(tagVX_CAMERA_PROPERTY *property) override;

    static int DiscoverCameras();
    // Moves a GigE camera into the subnet of its host interface; true when
    // nothing had to change or the change succeeded. No operation calls it.
    bool AdjustCameraIp();

    // Setters: false when their condition fails or the camera refuses.
    bool SetWidth(int value);
    bool SetHeight(int value);
    bool SetOffsetX(int value);
    bool SetOffsetY(int value);
    bool SetBrightness(int value);
    bool SetShutter(double value);
    bool SetGain(int value);
    bool SetContrast(int value);
    bool SetReverseX(bool value);
    bool SetReverseY(bool value);
    bool SetTriggerMode(int value);
    bool SetTriggerSource(enumTRIGSRC value);

    // Getters: -1 (or false) when their condition fails or the read fails.
    int GetWidth();
    int GetHeight();
    int GetOffsetX();
    int GetOffsetY();
    int GetBrightness();
    int GetContrast();
    int GetGain();
    int GetExposureTime();
    int GetTriggerMode();
    int GetTriggerSource();
    bool GetReverseX();
    bool GetReverseY();
    bool GetPixelFormat(Dahua::Infra::CString &symbol);
    int GetBoardNum() const { return m_camParam.boardNum; }
    bool IsConnected();

    bool SetParams(tagDH_CAMERA_PARAM &param);
    bool GetParams(tagDH_CAMERA_PARAM &param);

    const tagDH_CAMERA_PARAM &cameraParam() const { return m_camParam; }
    int camTriggerMode() const { return m_nCamTriggerMode; }

    // The frame handler the stream source calls on its grabbing thread.
    void onGetFrame(const Dahua::GenICam::CFrame &frame);

private:
    // Why the dump was not written whole; empty when it was.
    QString SaveFrameToFile(const Dahua::GenICam::CFrame &frame, const QString &fileName);
    void SetBitsByPixelFormat(const QByteArray &symbol);
    void ApplyModelParams();
    Dahua::GenICam::IStreamSource::Proc frameHandler();
    // Releases the stream source a failed start made.
    void releaseStartedStream(bool attached);
    // Disconnects and drops the camera a failed open connected.
    void releaseFailedOpen();

    bool held() const { return static_cast<bool>(m_cameraSptr); }
    bool opened() const;
    // Fresh control objects, one per feature access; empty without a camera.
    Dahua::GenICam::IImageFormatControlPtr imageFormatControl() const;
    Dahua::GenICam::IAcquisitionControlPtr acquisitionControl() const;
    Dahua::GenICam::IAnalogControlPtr analogControl() const;
    Dahua::GenICam::IISPControlPtr ispControl() const;

    tagDH_CAMERA_PARAM m_camParam;
    qint32 m_nCamTriggerMode;
    quint32 m_buffSize;
    // What a host reads from each frame: the opened geometry at its bit depth.
    quint64 m_announcedBytes;
    // Given once per start each.
    COnceWarning m_smallFrameWarning;
    COnceWarning m_dumpWarning;
    unsigned char *m_pBuff;
    VxBitmapInfo m_bmpInfo;
    Dahua::GenICam::IAcquisitionControlPtr m_acqCtrlSptr;
    Dahua::GenICam::ICameraPtr m_cameraSptr;
    // m_cameraSptr was connected by an open that then failed: the open keeps
    // it, the next close or open releases it.
    bool m_failedOpenConnected = false;
    bool m_opening = false; // inside IOpenCamera's steps
    QByteArray m_modelName;
    Dahua::GenICam::IStreamSourcePtr m_streamPtr;
    // Serialises the operations and counts the deliveries inside the object.
    COperationGuard m_operations;
};

#endif // VXCAMDAHUA_CAMERADAHUA_H
