// ISP control: brightness and contrast of one camera.
#ifndef MVSDK_GENICAM_ISPCONTROL_H
#define MVSDK_GENICAM_ISPCONTROL_H

#include "MVSDK/GenICam/Nodes.h"

namespace Dahua {
namespace GenICam {

class MVSDK_API IISPControl {
public:
    virtual ~IISPControl();

    virtual CIntNode brightness() = 0; // "Brightness"
    virtual CIntNode contrast() = 0;   // "Contrast"
};

typedef Memory::TSharedPtr<IISPControl> IISPControlPtr;

} // namespace GenICam
} // namespace Dahua

#endif // MVSDK_GENICAM_ISPCONTROL_H
