#include "virtualstream.h"

#include "barspattern.h"
#include "calltrace.h"
#include "diagnostics.h"
#include "framepattern.h"
#include "virtualcamera.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <system_error>
#include <thread>

namespace VxSim {
namespace detail {

namespace {

using Clock = std::chrono::steady_clock;
// How long a replay stream that found no decoded image looks again before
// it sleeps until one is.
constexpr std::chrono::microseconds kReplayLookAhead {500};
using Mvsdk::detail::CallTrace;

// Waits for the next frame after the camera's pacing; returns true when one
// is due. Called and returns with the lock held.
bool waitForFrame(StreamState &state, std::unique_lock<std::mutex> &lock, const VirtualCamera::Pacing &pacing,
                  Clock::time_point &next)
{
    const auto interrupted = [&state] { return !state.grabbing || state.woken; };
    switch (pacing.kind) {
    case VirtualCamera::Pacing::FreeRun:
    case VirtualCamera::Pacing::Line1: {
        if (pacing.rate <= 0.0)
            return true;
        // A period of more than a year is practically no frames, and a far
        // longer one would overflow the clock: none come until something changes.
        constexpr double kLongestPeriod = 365.0 * 24 * 3600;
        if (!(1.0 / pacing.rate <= kLongestPeriod)) {
            state.changed.wait(lock, interrupted);
            return false;
        }
        const auto period
            = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / pacing.rate));
        const Clock::time_point now = Clock::now();
        if (now >= next) {
            // Never try to catch up more than one period.
            next = std::max(next + period, now);
            return true;
        }
        state.changed.wait_until(lock, next, interrupted);
        return false;
    }
    case VirtualCamera::Pacing::Software:
        if (state.pendingTriggers > 0) {
            --state.pendingTriggers;
            return true;
        }
        state.changed.wait(lock,
                           [&state, &interrupted] { return interrupted() || state.pendingTriggers > 0; });
        return false;
    case VirtualCamera::Pacing::None:
        state.changed.wait(lock, interrupted);
        return false;
    }
    return false;
}

// A replay camera in free run at the recorded pace: an image is due its
// recorded interval after the one before. Called and returns with the lock held.
bool waitForRecordedFrame(StreamState &state, std::unique_lock<std::mutex> &lock, Clock::time_point &due)
{
    const Clock::time_point now = Clock::now();
    const auto gap = std::chrono::milliseconds(state.replay->front().gapMsecs);
    if (now >= due + gap) {
        // Never try to catch up more than one interval.
        due = now - (due + gap) > gap ? now : due + gap;
        return true;
    }
    state.changed.wait_until(lock, due + gap, [&state] { return !state.grabbing || state.woken; });
    return false;
}

// A replay camera: whether the next image is decoded; else waits until it
// is, or until something changes. Called and returns with the lock held.
bool replayImageReady(StreamState &state, std::unique_lock<std::mutex> &lock)
{
    ReplayRing &ring = *state.replay;
    if (ring.hasFrame())
        return true;
    // The next image is mostly a fraction of a millisecond away: looking
    // again for a moment before sleeping spares the decoding thread a
    // wake-up call per frame, the largest cost after the copy itself.
    lock.unlock();
    const Clock::time_point lookUntil = Clock::now() + kReplayLookAhead;
    while (!ring.hasFrame() && Clock::now() < lookUntil)
        std::this_thread::yield();
    lock.lock();
    if (ring.hasFrame())
        return false; // the caller looks at the stream's state again first
    state.changed.wait(lock,
                       [&] { return !state.grabbing || state.woken || ring.hasFrame() || ring.ended(); });
    if (ring.ended() && state.grabbing && !state.woken) // the end of a recording that does not loop
        state.changed.wait(lock, [&state] { return !state.grabbing || state.woken; });
    return false;
}

// A frame of the ring's recording (a later connect may have read another).
Dahua::GenICam::CFrame replayFrame(const Recording &recording, const uint8_t *image, uint64_t sequence)
{
    return Dahua::GenICam::CFrame(image, recording.frameBytes, static_cast<uint32_t>(recording.width),
                                  static_cast<uint32_t>(recording.height), sequence,
                                  recording.pixelFormatText.c_str());
}

void runGrabbing(std::shared_ptr<StreamState> state)
{
    ReplayRing *const replay = state->replay.get();
    const bool recordedPace = replay != nullptr && state->camera->replay()->pace == ReplayPace::Recorded;
    Clock::time_point recordedDue = Clock::now();
    std::shared_ptr<const FramePattern> pattern;
    BarsCanvas canvas; // this stream's own frames of the bars pattern
    bool allocationReported = false;
    std::vector<Dahua::GenICam::CFrameProc> handlers; // reused: no allocation per frame
    Clock::time_point next = Clock::now();
    std::unique_lock<std::mutex> lock(state->mutex);
    state->threadId = std::this_thread::get_id();
    for (;;) {
        if (!state->grabbing)
            break;
        state->woken = false;
        lock.unlock();
        // The camera's own lock is never taken while the stream's is held, and
        // a (possibly large) frame buffer is made without holding either.
        state->camera->cutPowerIfDue();
        const VirtualCamera::Pacing pacing = state->camera->pacing();
        const VirtualCamera::FrameShape shape = state->camera->frameShape();
        if (replay == nullptr && (pattern == nullptr || pattern->shape() != shape))
            pattern = state->camera->framePattern(shape);
        const bool ready = replay != nullptr
            || (pattern != nullptr && (pattern->kind() != PatternKind::Bars || canvas.prepare(pattern)));
        if (!ready && !allocationReported) {
            reportProblem(
                QStringLiteral("no memory for frames of %1 bytes of camera \"%2\"; no frames until the "
                               "geometry changes")
                    .arg(QString::number(shape.bytes), state->camera->key()));
            allocationReported = true;
        }
        lock.lock();
        if (!state->grabbing)
            break;
        if (state->woken)
            continue;
        if (state->dead) {
            state->changed.wait(lock, [&state] { return !state->grabbing; });
            continue;
        }
        if (!ready) {
            state->changed.wait(lock, [&state] { return !state->grabbing || state->woken; });
            continue;
        }
        if (replay != nullptr && !replayImageReady(*state, lock))
            continue;
        if (recordedPace && pacing.kind == VirtualCamera::Pacing::FreeRun
                ? !waitForRecordedFrame(*state, lock, recordedDue)
                : !waitForFrame(*state, lock, pacing, next))
            continue;
        const uint64_t sequence = ++state->sequence;
        const uint64_t run = state->run;
        state->beginDelivery(handlers);
        ++state->grabbedSinceStart;
        // The last frame of a limited run still reaches every handler; the run
        // ends once it is delivered.
        const bool endsRun = state->maxImages != 0 && state->grabbedSinceStart >= state->maxImages;
        lock.unlock();

        if (CallTrace::enabled())
            CallTrace::write(
                QStringLiteral("frame %1 %2 %3")
                    .arg(state->camera->key(), QString::number(sequence), QString::number(shape.bytes)));
        const uint8_t *image = replay != nullptr   ? replay->front().bytes
            : pattern->kind() == PatternKind::Bars ? canvas.draw(sequence)
                                                   : pattern->frame(sequence);
        const Dahua::GenICam::CFrame frame = replay != nullptr
            ? replayFrame(replay->recording(), image, sequence)
            : Dahua::GenICam::CFrame(image, shape.bytes, shape.width, shape.height, sequence,
                                     shape.pixelFormat.c_str());
        state->camera->countFrame(frame.getImage());
        state->deliver(handlers, frame);
        if (replay != nullptr)
            replay->release();

        lock.lock();
        if (endsRun && state->grabbing && state->run == run)
            state->grabbing = false;
        state->finishDelivery();
    }
    state->threadRunning = false;
    state->threadId = std::thread::id();
    state->changed.notify_all();
}

} // namespace

StreamState::StreamState(std::shared_ptr<VirtualCamera> owner, std::shared_ptr<const Recording> recording)
    : StreamCore(owner->getKey())
    , camera(std::move(owner))
{
    if (recording == nullptr)
        return;
    const ReplayConfig &config = *camera->replay();
    const int ringSlots
        = config.ringFrames > 0 ? config.ringFrames : defaultRingFrames(recording->frameBytes);
    replay
        = std::make_unique<ReplayRing>(std::move(recording), ringSlots, config.loop, camera->key(), [this] {
              // Through the lock, so that a waiting thread cannot miss it, yet
              // notified after it, so that the woken thread does not wait for it.
              std::unique_lock<std::mutex> lock(mutex);
              lock.unlock();
              changed.notify_all();
          });
}

void StreamState::trigger()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!grabbing)
        return;
    ++pendingTriggers;
    changed.notify_all();
}

void StreamState::wake()
{
    std::lock_guard<std::mutex> lock(mutex);
    woken = true;
    changed.notify_all();
}

void StreamState::cutPower()
{
    std::lock_guard<std::mutex> lock(mutex);
    dead = true;
    pendingTriggers = 0;
    woken = true;
    changed.notify_all();
}

VirtualStreamSource::VirtualStreamSource(std::shared_ptr<VirtualCamera> camera,
                                         std::shared_ptr<const Recording> recording)
    : m_state(std::make_shared<StreamState>(std::move(camera), std::move(recording)))
{
}

VirtualStreamSource::~VirtualStreamSource()
{
    {
        std::unique_lock<std::mutex> lock(m_state->mutex);
        m_state->alive = false;
        m_state->grabbing = false;
        m_state->pendingTriggers = 0;
        m_state->handlers.clear();
        m_state->changed.notify_all();
        m_state->waitForDeliveriesUnlessInside(lock);
    }
    joinUnlessInside();
}

void VirtualStreamSource::joinUnlessInside()
{
    std::lock_guard<std::mutex> lock(m_threadMutex);
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach(); // the thread leaves its loop once the handler returns
    else
        m_thread.join();
}

bool VirtualStreamSource::attachGrabbing(Proc proc)
{
    return m_state->attach(m_state->camera->key(), proc,
                           !m_state->camera->fails(QStringLiteral("attachGrabbing")));
}

bool VirtualStreamSource::detachGrabbing(Proc proc)
{
    return m_state->detach(m_state->camera->key(), proc);
}

bool VirtualStreamSource::startGrabbing(uint64_t maxImagesGrabbed, Dahua::GenICam::EGrabStrategy strategy)
{
    const QString key = m_state->camera->key();
    const auto trace = [&](bool ok) {
        CallTrace::write(QStringLiteral("startGrabbing %1 %2 %3 -> %4")
                             .arg(key, QString::number(maxImagesGrabbed), QString::number(int(strategy)),
                                  CallTrace::result(ok)));
        return ok;
    };
    if (m_state->camera->fails(QStringLiteral("startGrabbing")) || m_state->camera->refusesAll())
        return trace(false);
    {
        std::unique_lock<std::mutex> lock(m_state->mutex);
        if (m_state->dead)
            return trace(false);
        if (m_state->grabbing)
            return trace(true);
        m_state->grabbing = true;
        ++m_state->run;
        m_state->pendingTriggers = 0;
        m_state->maxImages = maxImagesGrabbed;
        m_state->grabbedSinceStart = 0;
        if (m_state->threadRunning) {
            // The thread has not left its loop (stopped from inside a handler, or
            // stopped a moment ago, or being made by a concurrent start): it goes on.
            m_state->changed.notify_all();
            return trace(true);
        }
        // Claimed under the lock, so that a concurrent start does not make a second thread.
        m_state->threadRunning = true;
    }
    m_state->camera->reportIfFramesImpossible();
    std::lock_guard<std::mutex> threadLock(m_threadMutex);
    // The previous thread, if any, has left its loop (it cleared threadRunning).
    if (m_thread.joinable())
        m_thread.join();
    try {
        m_thread = std::thread(runGrabbing, m_state);
    } catch (const std::system_error &) {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->threadRunning = false;
        m_state->grabbing = false;
        return trace(false);
    }
    return trace(true);
}

bool VirtualStreamSource::stopGrabbing()
{
    const QString key = m_state->camera->key();
    if (m_state->camera->fails(QStringLiteral("stopGrabbing"))) {
        CallTrace::write(QStringLiteral("stopGrabbing %1 -> fail").arg(key));
        return false;
    }
    {
        std::unique_lock<std::mutex> lock(m_state->mutex);
        m_state->grabbing = false;
        m_state->pendingTriggers = 0;
        m_state->changed.notify_all();
        // The thread leaves its loop by itself; the next start or the destructor joins it.
        m_state->waitForDeliveriesUnlessInside(lock);
    }
    // The run ends here either way; a camera that does not answer fails the call.
    const bool ok = !m_state->camera->refusesAll();
    CallTrace::write(QStringLiteral("stopGrabbing %1 -> %2").arg(key, CallTrace::result(ok)));
    return ok;
}

Dahua::GenICam::CStreamStatistics VirtualStreamSource::getStatistics() const
{
    return m_state->tally.read();
}

bool VirtualStreamSource::isGrabbing() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->grabbing;
}

} // namespace detail
} // namespace VxSim
