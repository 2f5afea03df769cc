#include "aravisstream.h"

#include "araviscamera.h"
#include "aravisframegap.h"
#include "aravisreaper.h"
#include "calltrace.h"
#include "streamstatistics.h"

#include <QDebug>
#include <QString>

#include <algorithm>

namespace Mvsdk {
namespace aravis {

using detail::CallTrace;

namespace {

// Buffers per stream source: enough for a fast camera on a loaded machine.
constexpr int kPoolBuffers = 8;
// GigE Vision kernels drop packets with the default 208 KB socket buffer.
constexpr int kSocketBufferBytes = 8 * 1024 * 1024;

// The frames a silence that ends a free run held, from the run's own frame
// period; a short one is the host's own delay (see StreamStatistics.h).
uint64_t framesInFinalSilence(const AravisStreamState &state, std::chrono::steady_clock::time_point end)
{
    using namespace std::chrono;
    if (!state.freeRun || !state.camera->knownFreeRunning() || state.periodsSpanned < 2
        || end <= state.lastArrival)
        return 0;
    const duration<double> period = (state.lastArrival - state.firstArrival) / double(state.periodsSpanned);
    const duration<double> silence = end - state.lastArrival;
    if (period.count() <= 0 || silence <= std::max<duration<double>>(4 * period, milliseconds(200)))
        return 0;
    return static_cast<uint64_t>(silence / period) - 1;
}

// Counts the silence at the end of the run once, when the run ends.
void endRun(AravisStreamState &state)
{
    const auto now = std::chrono::steady_clock::now();
    const auto end = state.camera->lostSince(now);
    uint64_t silent = 0;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!state.runOpen)
            return;
        state.runOpen = false;
        silent = framesInFinalSilence(state, end);
    }
    if (silent > 0)
        state.tally.countEstimatedLost(silent);
}

// Each buffer carries the generation of the pool it was made for as its
// user data: Aravis 0.8 reports the received size as the buffer's size, so
// the size cannot tell a buffer of an earlier geometry from an incomplete one.
ArvBuffer *newPoolBuffer(size_t bytes, uintptr_t generation)
{
    return arv_buffer_new_full(bytes, nullptr, reinterpret_cast<void *>(generation), nullptr);
}

uintptr_t poolGenerationOf(ArvBuffer *buffer)
{
    return reinterpret_cast<uintptr_t>(arv_buffer_get_user_data(buffer));
}

// Back to the pool, whatever the frame's fate, unless the buffer belongs to
// an earlier geometry.
void recycle(ArvStream *stream, ArvBuffer *buffer, bool keep)
{
    if (keep)
        arv_stream_push_buffer(stream, buffer);
    else
        g_object_unref(buffer);
}

void handleBuffer(AravisStreamState &state, ArvStream *stream, ArvBuffer *buffer)
{
    const ArvBufferStatus status = arv_buffer_get_status(buffer);
    std::unique_lock<std::mutex> lock(state.mutex);
    const bool keep = poolGenerationOf(buffer) == state.poolGeneration;
    if (!state.grabbing || state.camera->lost()) {
        lock.unlock();
        recycle(stream, buffer, keep);
        return;
    }
    if (status != ARV_BUFFER_STATUS_SUCCESS) {
        // Its frame id is not to be trusted: a buffer whose leader was lost
        // keeps an earlier frame's id, or 0.
        ++state.incompleteSinceComplete;
        lock.unlock();
        state.tally.countIncomplete(1);
        recycle(stream, buffer, keep);
        return;
    }
    // Frames between two complete ones that did not arrive incomplete never
    // reached a buffer.
    const uint64_t frameId = arv_buffer_get_frame_id(buffer);
    const uint64_t between = framesBetween(state.lastFrameId, frameId);
    const uint64_t lost = between - std::min(between, state.incompleteSinceComplete);
    const auto now = std::chrono::steady_clock::now();
    if (state.lastFrameId == 0)
        state.firstArrival = now;
    else
        state.periodsSpanned += between + 1;
    state.lastArrival = now;
    state.lastFrameId = frameId;
    state.incompleteSinceComplete = 0;
    if (lost > 0)
        state.tally.countLost(lost);
    size_t bytes = 0;
    const void *image = arv_buffer_get_image_data(buffer, &bytes);
    const uint32_t width = static_cast<uint32_t>(arv_buffer_get_image_width(buffer));
    const uint32_t height = static_cast<uint32_t>(arv_buffer_get_image_height(buffer));
    const uint64_t sequence = ++state.sequence;
    std::shared_ptr<const std::string> pixelFormat = state.pixelFormat;
    state.beginDelivery(state.copy);
    ++state.grabbedSinceStart;
    // The last frame of a limited run still reaches every handler.
    const bool endsRun = state.maxImages != 0 && state.grabbedSinceStart >= state.maxImages;
    lock.unlock();

    if (CallTrace::enabled())
        CallTrace::write(
            QStringLiteral("frame %1 %2 %3")
                .arg(state.camera->traceKey(), QString::number(sequence), QString::number(bytes)));
    const Dahua::GenICam::CFrame frame(image, static_cast<uint32_t>(bytes), width, height, sequence,
                                       pixelFormat->c_str());
    state.deliver(state.copy, frame);

    lock.lock();
    if (endsRun) {
        state.grabbing = false;
        state.runOpen = false; // the limit, not a silence, ended it
    }
    state.finishDelivery();
    lock.unlock();
    recycle(stream, buffer, keep);
}

// Adds what Aravis counted since the last call. On Aravis's stream thread,
// which is the one that updates those counts.
void countPackets(AravisStreamState &state, ArvStream *stream)
{
    if (!ARV_IS_GV_STREAM(stream))
        return;
    guint64 resent = 0;
    guint64 missing = 0;
    arv_gv_stream_get_statistics(ARV_GV_STREAM(stream), &resent, &missing);
    state.tally.countPackets(resent - std::min<uint64_t>(resent, state.resentSeen),
                             missing - std::min<uint64_t>(missing, state.missingSeen));
    state.resentSeen = std::max<uint64_t>(resent, state.resentSeen);
    state.missingSeen = std::max<uint64_t>(missing, state.missingSeen);
}

void onStreamEvent(void *userData, ArvStreamCallbackType type, ArvBuffer *)
{
    auto *state = static_cast<AravisStreamState *>(userData);
    switch (type) {
    case ARV_STREAM_CALLBACK_TYPE_INIT: {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->threadId = std::this_thread::get_id();
        break;
    }
    case ARV_STREAM_CALLBACK_TYPE_EXIT: {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->threadId = std::thread::id();
        break;
    }
    case ARV_STREAM_CALLBACK_TYPE_BUFFER_DONE:
    case ARV_STREAM_CALLBACK_TYPE_START_BUFFER: {
        ArvStream *stream = nullptr;
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            stream = state->stream;
        }
        if (stream == nullptr)
            return;
        // The whole output queue, not only the buffer announced; at the
        // start of each frame too, so that buffers Aravis queued without a
        // callback go back to the pool even while no frame completes.
        while (ArvBuffer *buffer = arv_stream_try_pop_buffer(stream))
            handleBuffer(*state, stream, buffer);
        if (type == ARV_STREAM_CALLBACK_TYPE_BUFFER_DONE)
            countPackets(*state, stream);
        break;
    }
    }
}

} // namespace

void tearDownStream(AravisStreamState &state)
{
    ArvStream *stream = nullptr;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        stream = state.stream;
    }
    // Joins Aravis's thread; buffers still queued go with the stream.
    if (stream != nullptr)
        g_object_unref(stream);
    std::lock_guard<std::mutex> lock(state.mutex);
    state.stream = nullptr;
}

std::shared_ptr<AravisStreamSource> AravisStreamSource::create(std::shared_ptr<AravisCamera> camera)
{
    auto state = std::make_shared<AravisStreamState>(camera);
    state->pixelFormat = std::make_shared<const std::string>();
    ArvStream *stream = camera->createArvStream(onStreamEvent, state.get());
    if (stream == nullptr)
        return nullptr;
    if (ARV_IS_GV_STREAM(stream))
        g_object_set(stream, "socket-buffer", ARV_GV_STREAM_SOCKET_BUFFER_FIXED, "socket-buffer-size",
                     kSocketBufferBytes, nullptr);
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->stream = stream;
    }
    return std::make_shared<AravisStreamSource>(std::move(state));
}

AravisStreamState::AravisStreamState(std::shared_ptr<AravisCamera> owner)
    : StreamCore(owner->getKey())
    , camera(std::move(owner))
{
}

AravisStreamSource::AravisStreamSource(std::shared_ptr<AravisStreamState> state)
    : m_state(std::move(state))
{
}

AravisStreamSource::~AravisStreamSource()
{
    endRun(*m_state);
    bool wasAcquiring = false;
    bool inside = false;
    {
        std::unique_lock<std::mutex> lock(m_state->mutex);
        m_state->grabbing = false;
        m_state->handlers.clear();
        m_state->changed.notify_all();
        m_state->waitForDeliveriesUnlessInside(lock);
        wasAcquiring = m_state->acquiring;
        m_state->acquiring = false;
        inside = m_state->insideDelivery();
    }
    if (wasAcquiring && !m_state->camera->lost())
        m_state->camera->stopAcquisition("release stream source");
    // A stream torn down later still talks to the camera (it resets the
    // stream channel): the camera opens again only after that.
    std::function<bool()> joins;
    if (inside)
        joins = [weak = std::weak_ptr<AravisStreamState>(m_state)] {
            const std::shared_ptr<AravisStreamState> state = weak.lock();
            if (state == nullptr)
                return false; // torn down: its thread was joined
            std::lock_guard<std::mutex> lock(state->mutex);
            return state->insideDelivery();
        };
    if (m_state->camera->lost())
        m_state->camera->openAfter(tearDownLater([state = m_state] { tearDownStream(*state); }), joins);
    else if (inside)
        m_state->camera->openAfter(reapStream(m_state), joins); // Aravis's thread cannot join itself
    else
        tearDownStream(*m_state);
}

bool AravisStreamSource::attachGrabbing(Proc proc)
{
    return m_state->attach(m_state->camera->traceKey(), proc);
}

bool AravisStreamSource::detachGrabbing(Proc proc)
{
    return m_state->detach(m_state->camera->traceKey(), proc);
}

bool AravisStreamSource::preparePool(size_t payload)
{
    ArvStream *stream = nullptr;
    uintptr_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (m_state->bufferBytes == payload)
            return true;
        // Buffers of the old size are dropped as they come back.
        m_state->bufferBytes = payload;
        generation = ++m_state->poolGeneration;
        stream = m_state->stream;
    }
    for (int i = 0; i < kPoolBuffers; ++i) {
        ArvBuffer *buffer = newPoolBuffer(payload, generation);
        if (buffer == nullptr)
            return false;
        arv_stream_push_buffer(stream, buffer);
    }
    return true;
}

bool AravisStreamSource::startGrabbing(uint64_t maxImagesGrabbed, Dahua::GenICam::EGrabStrategy strategy)
{
    const QString key = m_state->camera->traceKey();
    const auto trace = [&](bool ok) {
        CallTrace::write(QStringLiteral("startGrabbing %1 %2 %3 -> %4")
                             .arg(key, QString::number(maxImagesGrabbed), QString::number(int(strategy)),
                                  CallTrace::result(ok)));
        return ok;
    };
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (m_state->grabbing)
            return trace(true);
    }
    size_t payload = 0;
    std::string pixelFormat;
    if (!m_state->camera->streamGeometry(&payload, &pixelFormat) || payload == 0 || !preparePool(payload))
        return trace(false);
    const bool freeRun = m_state->camera->freeRunning();
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->grabbing = true;
        m_state->runOpen = true;
        m_state->freeRun = freeRun;
        m_state->periodsSpanned = 0;
        m_state->acquiring = true;
        m_state->maxImages = maxImagesGrabbed;
        m_state->grabbedSinceStart = 0;
        m_state->lastFrameId = 0;
        m_state->incompleteSinceComplete = 0;
        m_state->pixelFormat = std::make_shared<const std::string>(std::move(pixelFormat));
    }
    // Raised before the camera starts, so that the first frames are delivered.
    if (!m_state->camera->startAcquisition("startGrabbing")) {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->grabbing = false;
        m_state->runOpen = false;
        m_state->acquiring = false;
        return trace(false);
    }
    return trace(true);
}

bool AravisStreamSource::stopGrabbing()
{
    endRun(*m_state);
    m_state->stopDeliveries();
    bool wasAcquiring = false;
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        wasAcquiring = m_state->acquiring;
        m_state->acquiring = false;
    }
    // A lost camera fails here, with its log line, like every later operation.
    const bool ok
        = (wasAcquiring || m_state->camera->lost()) ? m_state->camera->stopAcquisition("stopGrabbing") : true;
    CallTrace::write(
        QStringLiteral("stopGrabbing %1 -> %2").arg(m_state->camera->traceKey(), CallTrace::result(ok)));
    return ok;
}

Dahua::GenICam::CStreamStatistics AravisStreamSource::getStatistics() const
{
    return m_state->tally.read();
}

bool AravisStreamSource::isGrabbing() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->grabbing;
}

} // namespace aravis
} // namespace Mvsdk
