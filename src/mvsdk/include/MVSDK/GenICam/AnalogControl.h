// Analog control: gain of one camera.
#ifndef MVSDK_GENICAM_ANALOGCONTROL_H
#define MVSDK_GENICAM_ANALOGCONTROL_H

#include "MVSDK/GenICam/Nodes.h"

namespace Dahua {
namespace GenICam {

class MVSDK_API IAnalogControl {
public:
    virtual ~IAnalogControl();

    virtual CEnumNode gainAuto() = 0;  // "GainAuto"
    virtual CDoubleNode gainRaw() = 0; // "Gain"
};

typedef Memory::TSharedPtr<IAnalogControl> IAnalogControlPtr;

} // namespace GenICam
} // namespace Dahua

#endif // MVSDK_GENICAM_ANALOGCONTROL_H
