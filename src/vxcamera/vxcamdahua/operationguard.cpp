#include "operationguard.h"

#include "vxcameraobject.h"

#include <condition_variable>
#include <mutex>
#include <thread>

// Shared by a guard and the deliveries that entered it. Guarded by `mutex`.
struct OperationGuardState {
    std::mutex mutex;
    std::condition_variable changed;
    std::thread::id owner;                              // the thread inside an operation; none when free
    int depth = 0;                                      // the owner's nested operations
    COperationGuard::Kind kind = COperationGuard::Open; // the owner's outermost operation
    bool ownerDelivering = false; // the owner called from inside a delivery of this object
    bool mayWait = false;         // the owner may wait for deliveries to end
    bool stopHandedOver = false;
    bool closeHandedOver = false;
    bool carryingOut = false; // the owner runs a handed-over stop or close
    int draining = 0;         // operations waiting for the admitted deliveries to end
    int deliveries = 0;       // admitted deliveries running
    bool ended = false;       // deleted: nothing is entered or admitted any more

    bool admits() const
    {
        return !ended && !stopHandedOver && !closeHandedOver && !carryingOut && draining == 0;
    }
};

namespace {

// The state of the object whose frame this thread is delivering, if any.
thread_local const OperationGuardState *t_delivering = nullptr;

bool mayWaitForDeliveries(COperationGuard::Kind kind)
{
    return kind == COperationGuard::Start || kind == COperationGuard::Stop || kind == COperationGuard::Close
        || kind == COperationGuard::Delete;
}

} // namespace

COperationGuard::COperationGuard(ICameraObject &object)
    : m_object(object)
    , m_state(std::make_shared<OperationGuardState>())
{
}

COperationGuard::~COperationGuard() = default;

bool COperationGuard::enter(Kind kind)
{
    OperationGuardState &s = *m_state;
    std::unique_lock<std::mutex> lock(s.mutex);
    const std::thread::id self = std::this_thread::get_id();
    if (s.owner == self) {
        ++s.depth;
        if (mayWaitForDeliveries(kind) && !s.mayWait) {
            s.mayWait = true;
            s.changed.notify_all();
        }
        return true;
    }
    const bool delivering = t_delivering == &s;
    for (;;) {
        if (s.ended)
            return false;
        if (s.owner == std::thread::id())
            break;
        // The holder may be waiting for this very delivery: do not wait for it.
        if (delivering && s.mayWait && kind != Delete) {
            if (kind == Stop)
                s.stopHandedOver = true;
            else if (kind == Close)
                s.closeHandedOver = true;
            return false;
        }
        s.changed.wait(lock);
    }
    s.owner = self;
    s.depth = 1;
    s.kind = kind;
    s.ownerDelivering = delivering;
    s.mayWait = mayWaitForDeliveries(kind);
    // Deliveries waiting behind the previous holder look again.
    s.changed.notify_all();
    return true;
}

void COperationGuard::leave()
{
    OperationGuardState &s = *m_state;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.depth > 1) {
        --s.depth;
        return;
    }
    // What deliveries handed over, before anyone else gets the lock. A delete
    // has closed the object already.
    while (s.stopHandedOver || s.closeHandedOver) {
        const bool close = s.closeHandedOver;
        s.stopHandedOver = false;
        s.closeHandedOver = false;
        if (s.kind == Delete)
            break;
        s.carryingOut = true;
        lock.unlock();
        if (close)
            m_object.ICloseCamera();
        else
            m_object.IStopCamera();
        lock.lock();
        s.carryingOut = false;
    }
    const bool ends = s.kind == Stop || s.kind == Close || s.kind == Delete;
    if (ends && (!s.ownerDelivering || s.kind == Delete)) {
        const int own = t_delivering == &s ? 1 : 0;
        ++s.draining;
        s.changed.wait(lock, [&s, own] { return s.deliveries <= own; });
        --s.draining;
    }
    if (s.kind == Delete)
        s.ended = true;
    s.owner = std::thread::id();
    s.depth = 0;
    s.ownerDelivering = false;
    s.mayWait = false;
    s.changed.notify_all();
}

COperationGuard::Operation::Operation(COperationGuard &guard, Kind kind)
    : m_guard(guard)
    , m_entered(guard.enter(kind))
{
}

COperationGuard::Operation::~Operation()
{
    if (m_entered)
        m_guard.leave();
}

COperationGuard::Delivery::Delivery(COperationGuard &guard)
    : m_state(guard.m_state)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (!m_state->admits())
        return;
    ++m_state->deliveries;
    m_admitted = true;
    m_previous = t_delivering;
    t_delivering = m_state.get();
}

COperationGuard::Delivery::~Delivery()
{
    if (!m_admitted)
        return;
    t_delivering = m_previous;
    std::lock_guard<std::mutex> lock(m_state->mutex);
    --m_state->deliveries;
    if (m_state->draining > 0)
        m_state->changed.notify_all();
}
