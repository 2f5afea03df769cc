// SlowCall: a call into the plug-in that may take long, run on a thread of
// its own so that the thread that made it keeps watching the clock and
// interrupts. Opening or closing a camera that does not answer waits out
// the network's time-outs (seconds on GigE Vision); the plug-in's calls
// cannot be cut short, so a caller that stops waiting leaves the call to
// finish and closes the camera once it has returned.
#ifndef VXCAM_SLOWCALL_H
#define VXCAM_SLOWCALL_H

#include <chrono>
#include <functional>
#include <future>

class SlowCall {
public:
    using Clock = std::chrono::steady_clock;

    // A call that takes longer says so on standard error (an open of a
    // camera that answers takes well under a second, also on GigE Vision; a
    // loaded machine must not make it a message).
    static constexpr double kSaySlowAfterSeconds = 3.0;
    // How long past a run's deadline an open (or the close of a lost camera)
    // may still return before the run ends without it.
    static constexpr std::chrono::milliseconds kDeadlineGrace {500};

    // Starts `call` on a thread of its own (here and now when no thread can
    // be had).
    explicit SlowCall(const std::function<bool()> &call);
    // Waits for the call to return.
    ~SlowCall() { wait(); }
    SlowCall(const SlowCall &) = delete;
    SlowCall &operator=(const SlowCall &) = delete;

    // Waits until the call has returned or until `until`; whether it has.
    bool waitUntil(Clock::time_point until);
    void wait();
    // What the call returned; after it has.
    bool result();
    // How long it has been under way.
    double seconds() const;

private:
    Clock::time_point m_began;
    std::future<bool> m_future;
    bool m_result = false;
    bool m_returned = false;
};

#endif // VXCAM_SLOWCALL_H
