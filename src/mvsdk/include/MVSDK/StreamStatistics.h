// What the stream sources of this process did with their frames, per camera,
// for tools that show it (the drivers do not use this header).
//
// Only complete frames reach frame handlers. A frame that arrived with
// missing packets, or was lost on the way (no buffer free, or never
// announced), is counted instead. The virtual cameras lose none.
//
// Lost frames are counted from the camera's frame numbers: the gap between
// two frames that arrived, however large. A silence at the end of a run
// (stopped, released, or cut off by a lost camera) has no later frame to
// measure it; for a free-running camera its frames are estimated instead,
// from the run's own frame period, and kept apart from the counted ones.
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
    // Free run only (Aravis): frames the run's frame period says a silence at
    // the end of a run held: silence / period, less one period; a silence of
    // up to four periods or 200 ms is taken as the host's own delay. 0 in
    // trigger modes and for runs of fewer than three frames. An estimate.
    uint64_t estimatedLostFrames = 0;
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
