// What the stream sources of this process did with their frames, per camera,
// for tools that show it (the drivers do not use this header).
//
// Only complete frames reach frame handlers. A frame that arrived with
// missing packets, or was lost on the way (no buffer free, or never
// announced), is counted instead. The virtual cameras lose none.
#ifndef MVSDK_STREAMSTATISTICS_H
#define MVSDK_STREAMSTATISTICS_H

#include "MVSDK/Defs.h"

#include <cstdint>

namespace Dahua {
namespace GenICam {

struct CStreamStatistics {
    uint64_t deliveredFrames = 0;  // complete frames handed to the frame handlers
    uint64_t incompleteFrames = 0; // arrived, but not whole
    uint64_t lostFrames = 0;       // never arrived in a buffer
    uint64_t resentPackets = 0;    // GigE Vision (Aravis): packets the camera sent again on request
    uint64_t missingPackets = 0;   // GigE Vision (Aravis): packets that never came
};

// One camera's totals (key as ICamera::getKey() gives it) over all its stream
// sources since the process started; zeros for an unknown key. Thread-safe,
// readable while streaming.
MVSDK_API CStreamStatistics cameraStatistics(const char *cameraKey);

// The totals of every camera of the process. Thread-safe.
MVSDK_API CStreamStatistics streamStatistics();

} // namespace GenICam
} // namespace Dahua

#endif // MVSDK_STREAMSTATISTICS_H
