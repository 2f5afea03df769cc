// Acquisition control: exposure and trigger features of one camera.
#ifndef MVSDK_GENICAM_ACQUISITIONCONTROL_H
#define MVSDK_GENICAM_ACQUISITIONCONTROL_H

#include "MVSDK/GenICam/Nodes.h"

namespace Dahua {
namespace GenICam {

class MVSDK_API IAcquisitionControl {
public:
    virtual ~IAcquisitionControl();

    virtual CEnumNode exposureAuto() = 0;    // "ExposureAuto"
    virtual CDoubleNode exposureTime() = 0;  // "ExposureTime"
    virtual CEnumNode triggerMode() = 0;     // "TriggerMode": "On" / "Off"
    virtual CEnumNode triggerSelector() = 0; // "TriggerSelector": "FrameStart"
    virtual CEnumNode triggerSource() = 0;   // "TriggerSource": "Software" / "Line1"
    virtual CCmdNode triggerSoftware() = 0;  // "TriggerSoftware"
};

typedef Memory::TSharedPtr<IAcquisitionControl> IAcquisitionControlPtr;

} // namespace GenICam
} // namespace Dahua

#endif // MVSDK_GENICAM_ACQUISITIONCONTROL_H
