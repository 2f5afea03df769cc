// Out-of-line destructors of the public control interfaces: their virtual
// tables live in this library.
#include "controls.h"

namespace Dahua {
namespace GenICam {

IAcquisitionControl::~IAcquisitionControl() = default;
IImageFormatControl::~IImageFormatControl() = default;
IAnalogControl::~IAnalogControl() = default;
IISPControl::~IISPControl() = default;

} // namespace GenICam
} // namespace Dahua
