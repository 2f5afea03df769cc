// Stream sources of the virtual cameras: pacing, triggers, frame content and
// the promises of stop, detach and release.
#include "simsession.h"
#include "waitfor.h"

#include "MVSDK/GenICam.h"
#include "MVSDK/Sim/VirtualCameras.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace Dahua::GenICam;
using namespace std::chrono_literals;

namespace {

ICameraPtr discoverFirst()
{
    Dahua::Infra::TVector<ICameraPtr> cameras;
    EXPECT_TRUE(CSystem::getInstance().discovery(cameras, typeAll));
    return cameras.empty() ? nullptr : cameras.front();
}

// A frame handler that records what it saw and can act from inside a call.
struct Recorder {
    std::atomic<int> calls{0};
    std::atomic<int> callsAfterReturn{0};
    std::atomic<bool> stopReturned{false};
    std::atomic<int> badFrames{0};
    std::mutex mutex;
    std::vector<uint64_t> sequences;
    std::vector<uint32_t> sizes;
    std::function<void(const CFrame &)> inside;

    void onFrame(const CFrame &frame)
    {
        if (stopReturned.load())
            ++callsAfterReturn;
        const auto *bytes = static_cast<const uint8_t *>(frame.getImage());
        const uint32_t size = frame.getImageSize();
        // Check the pattern at a few places, so that fast streams stay fast.
        for (uint32_t i : {0u, 1u, 255u, 256u, size / 2, size - 1}) {
            if (i < size && bytes[i] != VxSim::patternByte(i, frame.getBlockId()))
                ++badFrames;
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            sequences.push_back(frame.getBlockId());
            sizes.push_back(size);
        }
        ++calls;
        if (inside)
            inside(frame);
    }
    IStreamSource::Proc proc() { return IStreamSource::Proc::bind<&Recorder::onFrame>(this); }
};

struct Stream {
    ICameraPtr camera;
    IStreamSourcePtr source;
    IAcquisitionControlPtr acquisition;
};

Stream openStream()
{
    Stream s;
    s.camera = discoverFirst();
    s.source = CSystem::getInstance().createStreamSource(s.camera, 0);
    s.acquisition = CSystem::getInstance().createAcquisitionControl(s.camera);
    return s;
}

} // namespace

TEST(SimStream, FreeRunningFramesCarryTheRampPattern)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 64, "height": 8, "fps": 0}]})");
    Stream s = openStream();
    Recorder recorder;
    ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return recorder.calls.load() >= 300; }));
    ASSERT_TRUE(s.source->stopGrabbing());

    EXPECT_EQ(recorder.badFrames.load(), 0);
    std::lock_guard<std::mutex> lock(recorder.mutex);
    for (std::size_t i = 0; i < recorder.sequences.size(); ++i) {
        EXPECT_EQ(recorder.sequences[i], i + 1);
        EXPECT_EQ(recorder.sizes[i], 64u * 8u);
    }
    EXPECT_EQ(VxSim::framesProduced("K"), recorder.sequences.size());
}

TEST(SimStream, PatternNoneLeavesTheBytesZeroAndGeometryWritesChangeLaterFrames)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 32, "height": 4, "pixelFormat": "RGB8Packed",
                                    "fps": 0, "pattern": "none"}]})");
    Stream s = openStream();
    std::atomic<int> nonZero{0};
    std::atomic<uint32_t> lastSize{0};
    std::atomic<int> calls{0};
    struct Context {
        std::atomic<int> *nonZero;
        std::atomic<uint32_t> *lastSize;
        std::atomic<int> *calls;
    } context{&nonZero, &lastSize, &calls};
    IStreamSource::Proc proc(&context, [](void *c, const CFrame &frame) {
        auto *ctx = static_cast<Context *>(c);
        const auto *bytes = static_cast<const uint8_t *>(frame.getImage());
        for (uint32_t i = 0; i < frame.getImageSize(); ++i)
            *ctx->nonZero += bytes[i] != 0;
        ctx->lastSize->store(frame.getImageSize());
        ++*ctx->calls;
    });
    ASSERT_TRUE(s.source->attachGrabbing(proc));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return calls.load() >= 5; }));
    EXPECT_EQ(lastSize.load(), 32u * 4u * 3u);

    IImageFormatControlPtr format = CSystem::getInstance().createImageFormatControl(s.camera);
    ASSERT_TRUE(format->width().setValue(10));
    ASSERT_TRUE(waitFor([&] { return lastSize.load() == 10u * 4u * 3u; }));
    ASSERT_TRUE(s.source->stopGrabbing());
    EXPECT_EQ(nonZero.load(), 0);
}

TEST(SimStream, SoftwareTriggerMakesOneFramePerExecution)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 16, "height": 16, "fps": 0}]})");
    Stream s = openStream();
    ASSERT_TRUE(s.acquisition->triggerMode().setValueBySymbol("On"));
    ASSERT_TRUE(s.acquisition->triggerSource().setValueBySymbol("Software"));
    Recorder recorder;
    ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(s.acquisition->triggerSoftware().execute());
        ASSERT_TRUE(waitFor([&] { return recorder.calls.load() == i + 1; }));
    }
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(recorder.calls.load(), 5);
    ASSERT_TRUE(s.source->stopGrabbing());
}

TEST(SimStream, LineOneFramesFollowItsRateAndOtherSourcesMakeNone)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 16, "height": 16, "fps": 0, "line1Hz": 0}]})");
    Stream s = openStream();
    ASSERT_TRUE(s.acquisition->triggerMode().setValueBySymbol("On"));
    ASSERT_TRUE(s.acquisition->triggerSource().setValueBySymbol("Line1"));
    Recorder recorder;
    ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(recorder.calls.load(), 0) << "no pulses on line 1";

    ASSERT_TRUE(VxSim::setLine1Rate("K", 500));
    ASSERT_TRUE(waitFor([&] { return recorder.calls.load() >= 3; }));

    ASSERT_TRUE(s.acquisition->triggerSource().setValueBySymbol("Line2"));
    // Software executions do not trigger a camera listening to another source.
    ASSERT_TRUE(s.acquisition->triggerSoftware().execute());
    std::this_thread::sleep_for(50ms);
    const int settled = recorder.calls.load();
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(recorder.calls.load(), settled);
    ASSERT_TRUE(s.source->stopGrabbing());
}

TEST(SimStream, StopAndDetachWaitForTheCallInFlightAndNoCallFollows)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 64, "height": 64, "fps": 0}]})");
    Stream s = openStream();
    for (int round = 0; round < 20; ++round) {
        Recorder recorder;
        recorder.inside = [](const CFrame &) { std::this_thread::sleep_for(100us); };
        ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
        ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
        ASSERT_TRUE(waitFor([&] { return recorder.calls.load() >= 3; }));
        if (round % 2 == 0) {
            ASSERT_TRUE(s.source->stopGrabbing());
            recorder.stopReturned = true;
            ASSERT_TRUE(s.source->detachGrabbing(recorder.proc()));
        } else {
            ASSERT_TRUE(s.source->detachGrabbing(recorder.proc()));
            recorder.stopReturned = true;
            ASSERT_TRUE(s.source->stopGrabbing());
        }
        std::this_thread::sleep_for(5ms);
        EXPECT_EQ(recorder.callsAfterReturn.load(), 0) << "round " << round;
    }
    EXPECT_EQ(VxSim::attachedHandlerCount("K"), 0);
    EXPECT_EQ(VxSim::grabbingStreamCount("K"), 0);
}

TEST(SimStream, StopFromInsideTheHandlerDoesNotDeadlockAndEndsTheFrames)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 8, "height": 8, "fps": 0}]})");
    Stream s = openStream();
    Recorder recorder;
    recorder.inside = [&](const CFrame &frame) {
        if (frame.getBlockId() == 5) {
            EXPECT_TRUE(s.source->stopGrabbing());
        }
    };
    ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return !s.source->isGrabbing(); }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(recorder.calls.load(), 5);

    // Grabbing starts again from the host afterwards.
    recorder.inside = nullptr;
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return recorder.calls.load() >= 10; }));
    ASSERT_TRUE(s.source->stopGrabbing());
}

TEST(SimStream, RestartFromInsideTheHandlerKeepsFramesComing)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 8, "height": 8, "fps": 0}]})");
    Stream s = openStream();
    Recorder recorder;
    recorder.inside = [&](const CFrame &frame) {
        if (frame.getBlockId() == 3) {
            EXPECT_TRUE(s.source->stopGrabbing());
            EXPECT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
        }
    };
    ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return recorder.calls.load() >= 20; }));
    ASSERT_TRUE(s.source->stopGrabbing());
}

TEST(SimStream, ReleasingTheLastHandleInsideTheHandlerIsSafe)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 8, "height": 8, "fps": 0}]})");
    Stream s = openStream();
    std::atomic<bool> released{false};
    Recorder recorder;
    std::mutex holderMutex;
    IStreamSourcePtr holder = s.source;
    s.source.reset();
    recorder.inside = [&](const CFrame &) {
        std::lock_guard<std::mutex> lock(holderMutex);
        if (holder) {
            holder.reset(); // the last handle: the stream source dies on its own thread
            released = true;
        }
    };
    ASSERT_TRUE(holder->attachGrabbing(recorder.proc()));
    ASSERT_TRUE(holder->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return released.load(); }));
    ASSERT_TRUE(waitFor([] { return VxSim::streamSourceCount("K") == 0; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(recorder.calls.load(), 1);
}

TEST(SimStream, DestroyingAGrabbingStreamSourceStopsItFirst)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 8, "height": 8, "fps": 0}]})");
    Stream s = openStream();
    Recorder recorder;
    ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return recorder.calls.load() >= 3; }));
    s.source.reset();
    recorder.stopReturned = true;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(recorder.callsAfterReturn.load(), 0);
    EXPECT_EQ(VxSim::streamSourceCount("K"), 0);
}

TEST(SimStream, AttachAndDetachCheckTheirHandlers)
{
    SimSession sim(R"({"cameras": [{"key": "K", "fail": ["attachGrabbing"]}]})");
    Stream s = openStream();
    Recorder recorder;
    EXPECT_FALSE(s.source->attachGrabbing(recorder.proc())) << "scripted failure";
    ASSERT_TRUE(VxSim::setFailure("K", "attachGrabbing", false));
    EXPECT_TRUE(s.source->attachGrabbing(recorder.proc()));
    EXPECT_FALSE(s.source->attachGrabbing(IStreamSource::Proc::bind<&Recorder::onFrame>(&recorder)))
        << "an equal handler is attached already";
    Recorder other;
    EXPECT_FALSE(s.source->detachGrabbing(other.proc()));
    EXPECT_TRUE(s.source->detachGrabbing(recorder.proc()));
    EXPECT_EQ(sim.traceLines("attachGrabbing"),
              QStringList({"attachGrabbing K -> fail", "attachGrabbing K -> ok", "attachGrabbing K -> fail"}));
    EXPECT_EQ(sim.traceLines("detachGrabbing"), QStringList({"detachGrabbing K -> fail", "detachGrabbing K -> ok"}));
}

TEST(SimStream, TraceRecordsGrabbingAndFrames)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 4, "height": 2, "fps": 0, "fail": ["stopGrabbing"]}]})");
    Stream s = openStream();
    ASSERT_TRUE(s.acquisition->triggerMode().setValueBySymbol("On"));
    ASSERT_TRUE(s.acquisition->triggerSource().setValueBySymbol("Software"));
    Recorder recorder;
    ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(s.acquisition->triggerSoftware().execute());
    ASSERT_TRUE(waitFor([&] { return recorder.calls.load() == 1; }));
    EXPECT_FALSE(s.source->stopGrabbing());
    ASSERT_TRUE(VxSim::setFailure("K", "stopGrabbing", false));
    EXPECT_TRUE(s.source->stopGrabbing());
    const QStringList lines = sim.traceLines();
    const QStringList tail = lines.mid(lines.indexOf("createStreamSource K 0 -> ok"));
    EXPECT_EQ(tail, QStringList({"createStreamSource K 0 -> ok", "createAcquisitionControl K -> ok",
                                 "set K TriggerMode On -> ok", "set K TriggerSource Software -> ok",
                                 "attachGrabbing K -> ok", "startGrabbing K 0 0 -> ok",
                                 "execute K TriggerSoftware -> ok", "frame K 1 8", "stopGrabbing K -> fail",
                                 "stopGrabbing K -> ok"}));
}
