// CSystem: the one camera system of the process. Discovery and factories.
#ifndef MVSDK_GENICAM_SYSTEM_H
#define MVSDK_GENICAM_SYSTEM_H

#include "MVSDK/Defs.h"
#include "MVSDK/GenICam/AcquisitionControl.h"
#include "MVSDK/GenICam/AnalogControl.h"
#include "MVSDK/GenICam/Camera.h"
#include "MVSDK/GenICam/ISPControl.h"
#include "MVSDK/GenICam/ImageFormatControl.h"
#include "MVSDK/GenICam/StreamSource.h"
#include "MVSDK/Infra/Vector.h"

#include <cstdint>

namespace Dahua {
namespace GenICam {

// Every operation is thread-safe. The factories return an empty handle on
// failure.
class MVSDK_API CSystem {
public:
    static CSystem &getInstance();

    // Fills cameras with every camera present, in the system's order.
    bool discovery(Infra::TVector<ICameraPtr> &cameras, EInterfaceType interfaceType = typeAll);

    IAcquisitionControlPtr createAcquisitionControl(const ICameraPtr &camera);
    IImageFormatControlPtr createImageFormatControl(const ICameraPtr &camera);
    IAnalogControlPtr createAnalogControl(const ICameraPtr &camera);
    IISPControlPtr createISPControl(const ICameraPtr &camera);
    IStreamSourcePtr createStreamSource(const ICameraPtr &camera, uint16_t channelId = 0);

    CSystem(const CSystem &) = delete;
    CSystem &operator=(const CSystem &) = delete;

private:
    CSystem();
    ~CSystem();
};

} // namespace GenICam
} // namespace Dahua

#endif // MVSDK_GENICAM_SYSTEM_H
