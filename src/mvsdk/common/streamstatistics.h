// The counters behind StreamStatistics.h: one set per stream source, added
// into one set per camera key that lives for the process.
#ifndef MVSDK_COMMON_STREAMSTATISTICS_H
#define MVSDK_COMMON_STREAMSTATISTICS_H

#include "MVSDK/StreamStatistics.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace Mvsdk {
namespace detail {

struct StreamCounters {
    Dahua::GenICam::CStreamStatistics read() const;

    std::atomic<uint64_t> delivered {0};
    std::atomic<uint64_t> incomplete {0};
    std::atomic<uint64_t> lost {0};
    std::atomic<uint64_t> resent {0};
    std::atomic<uint64_t> missing {0};
    std::atomic<uint64_t> estimatedLost {0};
};

// Counts the frames of one stream source, into its own totals and into its
// camera's. Lock-free; any thread.
class StreamTally {
public:
    explicit StreamTally(const std::string &cameraKey);

    void countDelivered();
    void countIncomplete(uint64_t count);
    void countLost(uint64_t count);
    void countPackets(uint64_t resent, uint64_t missing);
    void countEstimatedLost(uint64_t count);

    Dahua::GenICam::CStreamStatistics read() const { return m_own.read(); }

private:
    StreamCounters m_own;
    const std::shared_ptr<StreamCounters> m_camera;
};

} // namespace detail
} // namespace Mvsdk

#endif // MVSDK_COMMON_STREAMSTATISTICS_H
