// CCameraDahuaV2: the current Dahua camera driver, built by Camera_Create.
//
// Open finds the camera whose key equals the option record's cameraName,
// connects it, makes its acquisition control and stream source and attaches
// the frame handler; start writes the trigger features of the requested mode
// and starts grabbing; every frame reaches the host through IFrameReady on
// the SDK's grabbing thread, zero-copy.
//
// Ownership: the option record and the callback are the host's, borrowed for
// the object's life. SDK objects are held through shared handles; the camera
// handle shares its camera with the process-wide camera list.
//
// Threads: the host's threads call the operations; the SDK's grabbing thread
// runs onGetFrame. They share m_bOpened, m_bStarted, m_nFrameNum,
// m_pImageData, m_nCurTriggerMode, m_buffSize, m_announcedBytes and the
// option's saveFlag, which
// both sides access atomically (std::atomic_ref). Close and stop wait, through
// the SDK's stop and detach, for a frame handler call in flight. The
// operations run one at a time through m_operations, which also decides what
// a call from inside the host's callback does while another thread is inside
// an operation (see COperationGuard).
#ifndef VXCAMDAHUA_CAMERADAHUAV2_H
#define VXCAMDAHUA_CAMERADAHUAV2_H

#include "bitmapinfo.h"
#include "oncewarning.h"
#include "operationguard.h"
#include "vxcameraobject.h"

#include "MVSDK/GenICam.h"

#include <QByteArray>

class CCameraDahuaV2 : public ICameraObject {
public:
    CCameraDahuaV2(tagVX_CAMERA_OPTION *option, IPoolCallback *callback);
    ~CCameraDahuaV2() override;

    int IOpenCamera() override;
    void ICloseCamera() override;
    int IStartCamera() override;
    void IStopCamera() override;
    void IExtension1() override { }
    void IExtension2() override { }
    QStringList IGetCameraList() override;
    int ISnapCamera(emVxTriggerDirection direction) override;
    void ISetProperty(tagVX_CAMERA_PROPERTY *property) override;

    // Writes exposure auto "Off", then the exposure time, in the camera's unit.
    bool SetExposureTime(double value);

    // Fills the process-wide camera list; the number of cameras in it.
    static int DiscoverCameras();

    // The frame handler the stream source calls on its grabbing thread.
    void onGetFrame(const Dahua::GenICam::CFrame &frame);

private:
    void applyPixelFormat(const QByteArray &symbol);
    Dahua::GenICam::IStreamSource::Proc frameHandler();
    // Undoes what a failed open obtained.
    void releaseFailedOpen(bool connected, bool attached);

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
    QByteArray m_modelName;
    Dahua::GenICam::IStreamSourcePtr m_streamPtr;
    // Serialises the operations and counts the deliveries inside the object.
    COperationGuard m_operations;
};

#endif // VXCAMDAHUA_CAMERADAHUAV2_H
