#include "operationguard.h"

#include "vxcameraobject.h"

#include <QDebug>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// Shared by a guard and the deliveries that entered it. Guarded by `mutex`,
// but for the three atomics, which deliveries read and count without it.
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
    bool ended = false;       // deleted: nothing is entered or admitted any more
    // Admitted deliveries running, and deliveries looking whether they are.
    std::atomic<int> deliveries {0};
    // !admits(), brought up to date before the lock is let go.
    std::atomic<bool> blocked {false};
    // The guard is gone; the delivery the object was deleted from frees the state.
    std::atomic<bool> orphaned {false};

    bool admits() const
    {
        return !ended && !stopHandedOver && !closeHandedOver && !carryingOut && draining == 0;
    }
    void updateAdmission() { blocked.store(!admits()); }
};

namespace {

// The state of the object whose frame this thread is delivering, if any.
thread_local const OperationGuardState *t_delivering = nullptr;

// Ends one count of `deliveries`. While admission is blocked an operation may
// wait for the count, so it is lowered under the lock and the waiter woken;
// otherwise the decrement is the last touch of the state (an operation that
// blocks admission later sees it when it looks at the count again).
void releaseDelivery(OperationGuardState &s)
{
    if (s.blocked.load()) {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.deliveries.fetch_sub(1);
        s.changed.notify_all();
    } else {
        s.deliveries.fetch_sub(1);
    }
}

QString kindName(COperationGuard::Kind kind)
{
    switch (kind) {
    case COperationGuard::Open:
        return QStringLiteral("IOpenCamera");
    case COperationGuard::Snap:
        return QStringLiteral("ISnapCamera");
    case COperationGuard::Property:
        return QStringLiteral("ISetProperty");
    case COperationGuard::Start:
        return QStringLiteral("IStartCamera");
    case COperationGuard::Stop:
        return QStringLiteral("IStopCamera");
    case COperationGuard::Close:
        return QStringLiteral("ICloseCamera");
    case COperationGuard::Delete:
        return QStringLiteral("Camera_Delete");
    }
    return QString();
}

bool mayWaitForDeliveries(COperationGuard::Kind kind)
{
    return kind == COperationGuard::Start || kind == COperationGuard::Stop || kind == COperationGuard::Close
        || kind == COperationGuard::Delete;
}

} // namespace

COperationGuard::COperationGuard(ICameraObject &object)
    : m_object(object)
    , m_state(new OperationGuardState)
{
}

COperationGuard::~COperationGuard()
{
    // Deleted from inside a delivery of this object: that delivery is the
    // last one, and frees the state when it ends.
    if (t_delivering == m_state)
        m_state->orphaned.store(true);
    else
        delete m_state;
}

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
            else
                qWarning().noquote() << QStringLiteral(
                                            "%1 called from inside the frame handler while another thread's "
                                            "%2 waits for the frame handler to return: not run")
                                            .arg(kindName(kind), kindName(s.kind));
            s.updateAdmission();
            return false;
        }
        s.changed.wait(lock);
    }
    s.owner = self;
    s.depth = 1;
    s.kind = kind;
    s.ownerDelivering = delivering;
    // An open while a delivery of this object runs (the object was closed
    // from inside it) may wait for that delivery too: the camera SDK can
    // wait for the release of the closed stream, which joins the delivering
    // thread.
    s.mayWait = mayWaitForDeliveries(kind) || (kind == Open && s.deliveries.load() > (delivering ? 1 : 0));
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
        s.updateAdmission();
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
        s.updateAdmission();
        // A delivery that ended just before admission was blocked has not
        // woken this wait: look at the count again now and then.
        while (s.deliveries.load() > own)
            s.changed.wait_for(lock, std::chrono::milliseconds(1));
        --s.draining;
    }
    if (s.kind == Delete)
        s.ended = true;
    s.updateAdmission();
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

// Counted first, then admitted unless blocked: an operation that blocks
// admission and then reads the count either sees this delivery or is seen by
// it (both sequentially consistent).
COperationGuard::Delivery::Delivery(COperationGuard &guard)
    : m_state(*guard.m_state)
{
    m_state.deliveries.fetch_add(1);
    if (m_state.blocked.load()) {
        releaseDelivery(m_state);
        return;
    }
    m_admitted = true;
    m_previous = t_delivering;
    t_delivering = &m_state;
}

COperationGuard::Delivery::~Delivery()
{
    if (!m_admitted)
        return;
    t_delivering = m_previous;
    if (m_state.orphaned.load()) {
        delete &m_state;
        return;
    }
    releaseDelivery(m_state);
}
