#include "streamcore.h"

#include <algorithm>

namespace Mvsdk {
namespace detail {

namespace {

bool contains(const std::vector<Dahua::GenICam::CFrameProc> &handlers, const Dahua::GenICam::CFrameProc &proc)
{
    return std::find(handlers.begin(), handlers.end(), proc) != handlers.end();
}

} // namespace

bool StreamCore::attach(const Dahua::GenICam::CFrameProc &proc, bool allowed)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!allowed || !proc || contains(handlers, proc))
        return false;
    handlers.push_back(proc);
    return true;
}

bool StreamCore::detach(const Dahua::GenICam::CFrameProc &proc)
{
    std::unique_lock<std::mutex> lock(mutex);
    const auto it = std::find(handlers.begin(), handlers.end(), proc);
    if (it == handlers.end())
        return false;
    handlers.erase(it);
    waitForDeliveriesUnlessInside(lock);
    return true;
}

void StreamCore::stopDeliveries()
{
    std::unique_lock<std::mutex> lock(mutex);
    grabbing = false;
    changed.notify_all();
    waitForDeliveriesUnlessInside(lock);
}

void StreamCore::waitForDeliveriesUnlessInside(std::unique_lock<std::mutex> &lock)
{
    if (insideDelivery())
        return;
    const uint64_t begun = deliveriesStarted;
    changed.wait(lock, [this, begun] { return deliveriesFinished >= begun; });
}

void StreamCore::beginDelivery(std::vector<Dahua::GenICam::CFrameProc> &copy)
{
    copy.assign(handlers.begin(), handlers.end());
    ++deliveriesStarted;
}

void StreamCore::finishDelivery()
{
    ++deliveriesFinished;
    changed.notify_all();
}

void StreamCore::deliver(const std::vector<Dahua::GenICam::CFrameProc> &copy,
                         const Dahua::GenICam::CFrame &frame)
{
    for (std::size_t i = 0; i < copy.size(); ++i) {
        if (i > 0) {
            std::lock_guard<std::mutex> lock(mutex);
            if (!grabbing || !contains(handlers, copy[i]))
                continue;
        }
        copy[i](frame);
    }
}

} // namespace detail
} // namespace Mvsdk
