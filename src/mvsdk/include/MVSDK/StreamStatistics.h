// Frames the stream sources of this process could not deliver, for tools
// that show them (the drivers do not use this header).
//
// Only complete frames reach frame handlers. A frame that arrived with
// missing packets, or was lost on the way (no buffer free, or never
// announced), is counted here instead. The virtual cameras lose none.
#ifndef MVSDK_STREAMSTATISTICS_H
#define MVSDK_STREAMSTATISTICS_H

#include "MVSDK/Defs.h"

#include <cstdint>

namespace Dahua {
namespace GenICam {

struct CStreamStatistics {
    uint64_t incompleteFrames = 0; // arrived, but not whole
    uint64_t lostFrames = 0;       // never arrived in a buffer
};

// Totals over every stream source since the process started. Thread-safe.
MVSDK_API CStreamStatistics streamStatistics();

} // namespace GenICam
} // namespace Dahua

#endif // MVSDK_STREAMSTATISTICS_H
