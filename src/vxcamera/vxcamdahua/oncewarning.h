// COnceWarning: a warning a driver gives at most once until it is re-armed,
// so that a condition that holds for every frame does not flood the log.
// Any thread.
#ifndef VXCAMDAHUA_ONCEWARNING_H
#define VXCAMDAHUA_ONCEWARNING_H

#include <atomic>

class COnceWarning {
public:
    // True for the first call after construction or rearm().
    bool first() { return !m_given.exchange(true, std::memory_order_relaxed); }
    void rearm() { m_given.store(false, std::memory_order_relaxed); }

private:
    std::atomic<bool> m_given {false};
};

#endif // VXCAMDAHUA_ONCEWARNING_H
