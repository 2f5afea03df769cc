#include "streamcore.h"

#include "calltrace.h"

#include <algorithm>

namespace Mvsdk {
namespace detail {

namespace {

bool contains(const std::vector<Dahua::GenICam::CFrameProc> &handlers, const Dahua::GenICam::CFrameProc &proc)
{
    return std::find(handlers.begin(), handlers.end(), proc) != handlers.end();
}

} // namespace

bool StreamCore::attach(const QString &traceKey, const Dahua::GenICam::CFrameProc &proc, bool allowed)
{
    bool ok = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        ok = allowed && proc && !contains(handlers, proc);
        if (ok)
            handlers.push_back(proc);
    }
    CallTrace::write(QStringLiteral("attachGrabbing %1 -> %2").arg(traceKey, CallTrace::result(ok)));
    return ok;
}

bool StreamCore::detach(const QString &traceKey, const Dahua::GenICam::CFrameProc &proc)
{
    bool ok = false;
    {
        std::unique_lock<std::mutex> lock(mutex);
        const auto it = std::find(handlers.begin(), handlers.end(), proc);
        ok = it != handlers.end();
        if (ok) {
            handlers.erase(it);
            waitForDeliveriesUnlessInside(lock);
        }
    }
    CallTrace::write(QStringLiteral("detachGrabbing %1 -> %2").arg(traceKey, CallTrace::result(ok)));
    return ok;
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
    if (!copy.empty())
        tally.countDelivered();
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
