// SdkCamera: what a camera of any back end offers behind the public ICamera.
//
// Discovery hands out SdkCameras; the public CSystem factories, the feature
// nodes and the GigE views reach the back end through these operations, so
// the surface has one implementation for every back end. A back end's camera
// is thread-safe.
#ifndef MVSDK_COMMON_SDKCAMERA_H
#define MVSDK_COMMON_SDKCAMERA_H

#include "MVSDK/GenICam/Camera.h"
#include "MVSDK/GenICam/GigE.h"
#include "MVSDK/GenICam/StreamSource.h"

#include "featurebackend.h"

#include <QString>

#include <cstdint>

namespace Mvsdk {
namespace detail {

class SdkCamera : public Dahua::GenICam::ICamera, public IFeatureBackend {
public:
    // The key as the trace writes it.
    virtual QString traceKey() const = 0;
    // Whether the factory named `factory` ("createAcquisitionControl", ...)
    // may hand out its control now.
    virtual bool controlAvailable(const QString &factory) = 0;
    // A new stream source of this camera, or null. `self` is the handle the
    // caller holds to this camera.
    virtual Dahua::GenICam::IStreamSourcePtr createStream(const Dahua::GenICam::ICameraPtr &self,
                                                          uint16_t channelId)
        = 0;
    // The GigE views; null when the camera has none.
    virtual Dahua::GenICam::IGigECameraPtr gigeCamera(const Dahua::GenICam::ICameraPtr &self) = 0;
    virtual Dahua::GenICam::IGigEInterfacePtr gigeInterface(const Dahua::GenICam::ICameraPtr &self) = 0;
};

} // namespace detail
} // namespace Mvsdk

#endif // MVSDK_COMMON_SDKCAMERA_H
