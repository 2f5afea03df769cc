#include "aravisstream.h"

#include "araviscamera.h"
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

// Frames between two frame ids that never reached a buffer. Ids of GigE
// Vision's 16-bit block counter wrap from 65535 to 1.
uint64_t framesBetween(uint64_t last, uint64_t id)
{
    if (last == 0 || id == 0)
        return 0;
    uint64_t gap = 0;
    if (id > last)
        gap = id - last - 1;
    else if (last <= 0xFFFF && id < last)
        gap = (0xFFFF - last) + (id - 1);
    return gap < 4096 ? gap : 0; // larger jumps are a camera restart, not losses
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
    if (endsRun)
        state.grabbing = false;
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
    const std::thread::id joins = inside ? std::this_thread::get_id() : std::thread::id();
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
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->grabbing = true;
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
        m_state->acquiring = false;
        return trace(false);
    }
    return trace(true);
}

bool AravisStreamSource::stopGrabbing()
{
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
