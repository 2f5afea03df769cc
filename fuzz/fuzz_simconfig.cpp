// Fuzzes the virtual-camera configuration reader: any input either loads or
// is refused with a message, and never crashes.
#include "MVSDK/Sim/VirtualCameras.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString error;
    const bool ok
        = VxSim::loadConfig(QByteArray(reinterpret_cast<const char *>(data), static_cast<int>(size)), &error);
    if (!ok && error.isEmpty())
        std::abort();
    if (!ok && !VxSim::cameraKeys().isEmpty())
        std::abort();
    return 0;
}
