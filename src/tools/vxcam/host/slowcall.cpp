#include "slowcall.h"

#include <system_error>

SlowCall::SlowCall(const std::function<bool()> &call)
    : m_began(Clock::now())
{
    try {
        m_future = std::async(std::launch::async, call);
    } catch (const std::system_error &) {
        m_result = call();
        m_returned = true;
    }
}

bool SlowCall::waitUntil(Clock::time_point until)
{
    if (!m_returned && m_future.wait_until(until) == std::future_status::ready) {
        m_result = m_future.get();
        m_returned = true;
    }
    return m_returned;
}

void SlowCall::wait()
{
    if (!m_returned) {
        m_result = m_future.get();
        m_returned = true;
    }
}

bool SlowCall::result()
{
    wait();
    return m_result;
}

double SlowCall::seconds() const
{
    return std::chrono::duration<double>(Clock::now() - m_began).count();
}
