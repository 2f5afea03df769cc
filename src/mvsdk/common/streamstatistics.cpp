#include "streamstatistics.h"

#include <map>
#include <mutex>

namespace {

using Dahua::GenICam::CStreamStatistics;
using Mvsdk::detail::StreamCounters;

constexpr auto kRelaxed = std::memory_order_relaxed;

// One entry per camera key seen, kept for the life of the process so that
// the totals outlive the camera's stream sources.
struct Registry {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<StreamCounters>> cameras;
};

Registry &registry()
{
    // Never destroyed: stream sources may still count while the process ends.
    static Registry *const instance = new Registry;
    return *instance;
}

std::shared_ptr<StreamCounters> countersOf(const std::string &cameraKey)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    std::shared_ptr<StreamCounters> &counters = r.cameras[cameraKey];
    if (counters == nullptr)
        counters = std::make_shared<StreamCounters>();
    return counters;
}

void add(CStreamStatistics &sum, const CStreamStatistics &part)
{
    sum.deliveredFrames += part.deliveredFrames;
    sum.incompleteFrames += part.incompleteFrames;
    sum.lostFrames += part.lostFrames;
    sum.resentPackets += part.resentPackets;
    sum.missingPackets += part.missingPackets;
    sum.estimatedLostFrames += part.estimatedLostFrames;
}

} // namespace

namespace Mvsdk {
namespace detail {

CStreamStatistics StreamCounters::read() const
{
    CStreamStatistics statistics;
    statistics.deliveredFrames = delivered.load(kRelaxed);
    statistics.incompleteFrames = incomplete.load(kRelaxed);
    statistics.lostFrames = lost.load(kRelaxed);
    statistics.resentPackets = resent.load(kRelaxed);
    statistics.missingPackets = missing.load(kRelaxed);
    statistics.estimatedLostFrames = estimatedLost.load(kRelaxed);
    return statistics;
}

StreamTally::StreamTally(const std::string &cameraKey)
    : m_camera(countersOf(cameraKey))
{
}

void StreamTally::countDelivered()
{
    m_own.delivered.fetch_add(1, kRelaxed);
    m_camera->delivered.fetch_add(1, kRelaxed);
}

void StreamTally::countIncomplete(uint64_t count)
{
    m_own.incomplete.fetch_add(count, kRelaxed);
    m_camera->incomplete.fetch_add(count, kRelaxed);
}

void StreamTally::countLost(uint64_t count)
{
    m_own.lost.fetch_add(count, kRelaxed);
    m_camera->lost.fetch_add(count, kRelaxed);
}

void StreamTally::countEstimatedLost(uint64_t count)
{
    m_own.estimatedLost.fetch_add(count, kRelaxed);
    m_camera->estimatedLost.fetch_add(count, kRelaxed);
}

void StreamTally::countPackets(uint64_t resent, uint64_t missing)
{
    if (resent > 0) {
        m_own.resent.fetch_add(resent, kRelaxed);
        m_camera->resent.fetch_add(resent, kRelaxed);
    }
    if (missing > 0) {
        m_own.missing.fetch_add(missing, kRelaxed);
        m_camera->missing.fetch_add(missing, kRelaxed);
    }
}

} // namespace detail
} // namespace Mvsdk

namespace Dahua {
namespace GenICam {

CStreamStatistics cameraStatistics(const char *cameraKey)
{
    if (cameraKey == nullptr)
        return {};
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto it = r.cameras.find(cameraKey);
    return it == r.cameras.end() ? CStreamStatistics() : it->second->read();
}

CStreamStatistics streamStatistics()
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    CStreamStatistics sum;
    for (const auto &camera : r.cameras)
        add(sum, camera.second->read());
    return sum;
}

} // namespace GenICam
} // namespace Dahua
