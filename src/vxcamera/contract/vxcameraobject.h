// The contract between a machine-vision host and its camera plug-ins.
//
// One header, shared by the host and every camera plug-in. It holds the
// camera object interface `ICameraObject`, the records and the callback that
// cross the boundary, and the host's name tables.
//
// Ownership, stated once:
//  - The host owns `tagVX_CAMERA_OPTION` and `IPoolCallback`; both outlive the
//    camera object. A camera object only borrows them.
//  - A plug-in owns a camera object from `Camera_Create` to `Camera_Delete`.
//  - The pixels behind `m_pImageData` belong to the camera SDK and are valid
//    only while `IPoolCallback::IFrameReady` runs.
//
// Threads: the host calls every operation from its own threads; a plug-in
// calls `IFrameReady` on the camera SDK's grabbing thread. The flags, the
// frame counter and the image pointer are plain members shared by both, so a
// plug-in accesses them through std::atomic_ref; a host that writes
// `m_nTriggerMode` or `m_nFrameLimit` while frames arrive writes them so too.
//
// Concurrent calls on one object. A host may call every operation of a camera
// object from any thread, while other threads call operations of the same
// object, and from inside `IFrameReady` of that object. A plug-in runs the
// operations of one object one at a time, each on the state the one before
// left; a host may rely on this:
//  - A call from a thread that is not delivering a frame of the object waits
//    until the operation running on another thread has returned.
//  - A call from inside `IFrameReady` of the object never waits for an
//    operation that may itself wait for that frame (start, stop, close,
//    delete on another thread, and an open begun on another thread while
//    that frame was being delivered: the object was closed from inside it,
//    and the camera SDK may wait for the closed stream's release). It runs
//    at once when no other thread is inside an operation of the object, and
//    waits its turn behind any other open, snapshot or property setting of
//    another thread (they never wait for a frame). Behind the others, `IStopCamera` and `ICloseCamera` are
//    handed to the thread inside that operation, which carries them out before its own call returns (the
//    flags follow then), and no frame is delivered from the hand-over on; any other operation returns at once
//    without acting (0 where it returns a number).
//  - Once `IStopCamera` or `ICloseCamera` has returned, no frame is delivered
//    until the next start; called outside `IFrameReady`, no `IFrameReady` of
//    the object is running either. When no other call has followed, a close
//    leaves `m_bOpened` and `m_bStarted` clear.
//  - `Camera_Delete` waits until no `IFrameReady` of the object is running
//    but the calling one; calls from inside `IFrameReady` meanwhile return
//    at once, as above. It is the object's last call: no other host thread
//    may be inside an operation of the object or call one later. From inside
//    `IFrameReady` a host deletes only while no other thread is inside an
//    operation of the object.
//  - From inside `IFrameReady` a host calls operations of the delivering
//    object only: a call on another object may wait for that object's stop,
//    which waits for that object's own callback.
#ifndef VXCAMERA_CONTRACT_VXCAMERAOBJECT_H
#define VXCAMERA_CONTRACT_VXCAMERAOBJECT_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>

class ICameraObject;

// Host name tables. Internal linkage on purpose: every source file that
// includes this header holds its own identical, read-only copy.
// NOLINTBEGIN(cert-err58-cpp)
static const QMap<int, QString> g_cameraTypeNames = {
    {0, "Unknown(0)"},     {100, "Virtual Camera(100)"}, {100, "Virtual Camera(100)"}, {110, "BitFlow(110)"},
    {110, "BitFlow(110)"}, {120, "Gige(120)"},           {130, "USB Camera(130)"},     {140, "HIK(140)"},
    {150, "Vimba(150)"},   {160, "Baumer(160)"},         {170, "AdLink(170)"},         {180, "DaHua(180)"},
    {190, "Basler(190)"},  {200, "PtGray(200)"},         {220, "Euresys(220)"},        {230, "Dalsa(230)"},
};

static const QMap<int, QString> g_cameraStateNames = {
    {0, "Uninitialized"}, {1, "Initialized"}, {2, "Opened"}, {3, "Running"}, {4, "Paused"}, {5, "Closed"},
};

static const QMap<int, QString> g_portTypeNames = {
    {0, "Unknown"},    {1, "Serial Port"}, {2, "USB Port"},
    {3, "TCP Client"}, {4, "TCP Server"},  {5, "TCP Client Session"},
};

static const QMap<int, QString> g_imageFormatNames = {
    {0, "None"},   {1, "GRAY8"}, {2, "RGB24"},  {3, "RGB32"},
    {4, "GRAY16"}, {5, "RGB48"}, {11, "BGR24"}, {12, "BGR32"},
};
// NOLINTEND(cert-err58-cpp)

// Bits per pixel of an image format code; 0 for every code without a fixed
// depth in this rule (RGB48, BGR24 and BGR32 included).
inline int GetImageFormatBits(int imageFormat)
{
    switch (imageFormat) {
    case 1:
        return 8;
    case 2:
        return 24;
    case 3:
        return 32;
    case 4:
        return 16;
    default:
        return 0;
    }
}

// Direction of a snapshot trigger. Plug-ins pass it on without reading it.
enum emVxTriggerDirection {
    VX_TRIGGER_DIRECTION_NONE = 0,
    VX_TRIGGER_DIRECTION_FORWARD = 1,
    VX_TRIGGER_DIRECTION_BACKWARD = 2,
};

// The host's option record for one camera. The host fills and owns it.
struct tagVX_CAMERA_OPTION {
    int cameraType = 180;        // host: camera type code (see g_cameraTypeNames)
    quint8 saveFlag = 0;         // nonzero: dump every delivered frame; the plug-in writes 2
    QString cameraName;          // key of the camera to open
    int imageFormat = 1;         // image format code (see g_imageFormatNames)
    QString savePrefix;          // put in front of dump file names
    QString saveSuffix;          // put at the end of dump file names
    int boardNum = 0;            // the host's number for this camera
    quint8 snapDisabled = 0;     // nonzero: every snapshot is refused
    void *hostContext = nullptr; // host: free for the host's own use
};

// Property record handed to ISetProperty. propId 1 is the exposure time.
struct tagVX_CAMERA_PROPERTY {
    int propId = 0;
    int propValue = 0;
    int reserved[6] = {};
};

// The host's callback. Plug-ins call only IFrameReady; plug-ins never delete it.
class IPoolCallback {
public:
    // Camera state change notification (state codes of g_cameraStateNames).
    virtual void IStateChanged(ICameraObject *camera, int state) = 0;
    // One frame is ready in the camera object's public members. Runs on the
    // camera SDK's grabbing thread; the pixels are valid until it returns.
    virtual void IFrameReady(ICameraObject *camera) = 0;

protected:
    ~IPoolCallback() = default;
};

// A list with its own recursive mutex, kept for the host. Plug-ins only
// construct and destroy it.
class CGuardedList {
public:
    explicit CGuardedList(bool flag)
        : m_mutex(QMutex::Recursive)
        , m_bFlag(flag)
    {
    }
    CGuardedList(const CGuardedList &) = delete;
    CGuardedList &operator=(const CGuardedList &) = delete;

    QList<void *> m_list;
    QMutex m_mutex;
    bool m_bFlag;
};

// The camera object. Every camera plug-in derives from it; the host reads its
// public members. Members and virtual operations keep their declared order:
// the host was built against this layout.
class ICameraObject {
public:
    ICameraObject(tagVX_CAMERA_OPTION *option, IPoolCallback *callback)
        : m_pCamOpt(option)
        , m_bReserved1(true)
        , m_extraData()
        , m_pPoolCallback(callback)
        , m_reserved1(0)
        , m_guardedList(true)
    {
        m_bOpened = false;
        m_bStarted = false;
        m_nWidth = 0;
        m_nHeight = 0;
        m_nBitsPerPixel = GetImageFormatBits(m_pCamOpt->imageFormat);
        m_nImageSize = m_nWidth * m_nHeight * ((m_nBitsPerPixel + 7) / 8);
        m_nImageFormat = 0;
        m_nFrameLimit = 0;
        m_nFrameNum = 0;
        m_nReserved = 0;
        m_nCurTriggerMode = 0;
        m_nTriggerMode = 1;
        m_reserved2 = 0;
        m_pImageData = nullptr;
        m_bReserved2 = false;
    }
    ICameraObject(const ICameraObject &) = delete;
    ICameraObject &operator=(const ICameraObject &) = delete;

    virtual ~ICameraObject() = default;

    virtual int IOpenCamera() = 0;
    virtual void ICloseCamera() = 0;
    virtual int IStartCamera() = 0;
    virtual void IStopCamera() = 0;
    virtual void IExtension1() = 0;
    virtual void IExtension2() = 0;
    virtual QStringList IGetCameraList() { return QStringList(); }

    // The snap-permission test: 1 when a snapshot may be fired now.
    virtual int ISnapCamera(emVxTriggerDirection direction)
    {
        (void)direction;
        if (!std::atomic_ref<bool>(m_bStarted).load())
            return 0;
        if (m_pCamOpt == nullptr)
            return 0;
        if (m_pCamOpt->snapDisabled != 0)
            return 0;
        if (std::atomic_ref<int>(m_nCurTriggerMode).load() == 3
            && std::atomic_ref<quint32>(m_nFrameNum).load() >= std::atomic_ref<quint32>(m_nFrameLimit).load())
            return 0;
        return 1;
    }
    virtual int ISnapCameraDefault() { return ISnapCamera(static_cast<emVxTriggerDirection>(0)); }
    virtual int IExtension3() { return 0; }
    virtual void ISetProperty(tagVX_CAMERA_PROPERTY *property) { (void)property; }
    virtual char *IGetExtraData() { return m_extraData.data(); }
    virtual void IExtension4(void *argument) { (void)argument; }
    virtual int IExtension5(int argument)
    {
        (void)argument;
        return 0;
    }

public:
    tagVX_CAMERA_OPTION *m_pCamOpt;
    bool m_bOpened;
    bool m_bStarted;
    bool m_bReserved1;
    qint32 m_nWidth;
    qint32 m_nHeight;
    qint32 m_nImageSize;
    qint32 m_nBitsPerPixel;
    qint32 m_nImageFormat;
    quint32 m_nFrameLimit;
    quint32 m_nFrameNum;
    qint32 m_nReserved;
    qint32 m_nCurTriggerMode;
    qint32 m_nTriggerMode;
    const unsigned char *m_pImageData;
    QByteArray m_extraData;
    IPoolCallback *m_pPoolCallback;
    quint64 m_reserved1;
    quint64 m_reserved2;
    CGuardedList m_guardedList;
    bool m_bReserved2;
};

#endif // VXCAMERA_CONTRACT_VXCAMERAOBJECT_H
