// Small helpers both drivers use to talk to the camera SDK: one feature
// access through a fresh node.
#ifndef VXCAMDAHUA_SDKFEATURES_H
#define VXCAMDAHUA_SDKFEATURES_H

#include "MVSDK/GenICam/Nodes.h"

// Writes an enumeration feature by symbol through the node handed in (taken
// fresh from its control by the caller and dropped on return).
inline bool writeSymbol(Dahua::GenICam::CEnumNode node, const char *symbol)
{
    return node.setValueBySymbol(Dahua::Infra::CString(symbol));
}

#endif // VXCAMDAHUA_SDKFEATURES_H
