#include "MVSDK/StreamStatistics.h"

#include "streamstatistics.h"

#include <atomic>

namespace {

std::atomic<uint64_t> g_incomplete {0};
std::atomic<uint64_t> g_lost {0};

} // namespace

namespace Mvsdk {
namespace detail {

void countIncompleteFrames(uint64_t count)
{
    g_incomplete.fetch_add(count, std::memory_order_relaxed);
}

void countLostFrames(uint64_t count)
{
    g_lost.fetch_add(count, std::memory_order_relaxed);
}

} // namespace detail
} // namespace Mvsdk

namespace Dahua {
namespace GenICam {

CStreamStatistics streamStatistics()
{
    CStreamStatistics statistics;
    statistics.incompleteFrames = g_incomplete.load(std::memory_order_relaxed);
    statistics.lostFrames = g_lost.load(std::memory_order_relaxed);
    return statistics;
}

} // namespace GenICam
} // namespace Dahua
