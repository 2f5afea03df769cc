// The process-wide counters behind streamStatistics(); back ends add to them.
#ifndef MVSDK_COMMON_STREAMSTATISTICS_H
#define MVSDK_COMMON_STREAMSTATISTICS_H

#include <cstdint>

namespace Mvsdk {
namespace detail {

void countIncompleteFrames(uint64_t count);
void countLostFrames(uint64_t count);

} // namespace detail
} // namespace Mvsdk

#endif // MVSDK_COMMON_STREAMSTATISTICS_H
