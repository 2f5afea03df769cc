// Stream sources of the virtual cameras: pacing, triggers, frame content and
// the promises of stop, detach and release.
#include "simsession.h"
#include "waitfor.h"

#include "MVSDK/GenICam.h"
#include "MVSDK/Sim/VirtualCameras.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
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
    std::atomic<int> calls {0};
    std::atomic<int> callsAfterReturn {0};
    std::atomic<bool> stopReturned {false};
    std::atomic<int> badFrames {0};
    std::mutex mutex;
    std::vector<uint64_t> sequences;
    std::vector<uint32_t> sizes;
    std::function<void(const CFrame &)> inside;
    int sampleDepth = 8; // below 16: a ramp of samples in two bytes each

    void onFrame(const CFrame &frame)
    {
        if (stopReturned.load())
            ++callsAfterReturn;
        const auto *bytes = static_cast<const uint8_t *>(frame.getImage());
        const uint32_t size = frame.getImageSize();
        // Check the pattern at a few places, so that fast streams stay fast.
        for (uint32_t i : {0u, 1u, 255u, 256u, size / 2, size - 1}) {
            if (sampleDepth == 8 && i < size && bytes[i] != VxSim::patternByte(i, frame.getBlockId()))
                ++badFrames;
            const uint32_t j = i / 2;
            if (sampleDepth != 8 && 2 * j + 1 < size
                && (bytes[2 * j] | bytes[2 * j + 1] << 8)
                    != VxSim::patternSample(j, frame.getBlockId(), sampleDepth))
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
    std::atomic<int> nonZero {0};
    std::atomic<uint32_t> lastSize {0};
    std::atomic<int> calls {0};
    struct Context {
        std::atomic<int> *nonZero;
        std::atomic<uint32_t> *lastSize;
        std::atomic<int> *calls;
    } context {&nonZero, &lastSize, &calls};
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

TEST(SimStream, TinyRatesMakeNoFramesWhileANormalRateDoes)
{
    SimSession sim(R"({"cameras": [
        {"key": "Normal", "width": 16, "height": 16, "fps": 200},
        {"key": "TinyFps", "width": 16, "height": 16, "fps": 1e-10},
        {"key": "TinyLine", "width": 16, "height": 16, "line1Hz": 1e-300, "features": {"TriggerMode": "On"}}]})");
    Dahua::Infra::TVector<ICameraPtr> cameras;
    ASSERT_TRUE(CSystem::getInstance().discovery(cameras, typeAll));
    ASSERT_EQ(cameras.size(), 3u);
    Recorder recorders[3];
    std::vector<IStreamSourcePtr> sources;
    for (int i = 0; i < 3; ++i) {
        sources.push_back(CSystem::getInstance().createStreamSource(cameras[i], 0));
        ASSERT_TRUE(sources.back()->attachGrabbing(recorders[i].proc()));
        ASSERT_TRUE(sources.back()->startGrabbing(0, grabStrategySequential));
    }
    ASSERT_TRUE(waitFor([&] { return recorders[0].calls.load() >= 5; }));
    EXPECT_EQ(recorders[1].calls.load(), 0);
    EXPECT_EQ(recorders[2].calls.load(), 0);

    // The wait for a frame that never comes still notices a new rate.
    ASSERT_TRUE(VxSim::setFrameRate("TinyFps", 200));
    EXPECT_TRUE(waitFor([&] { return recorders[1].calls.load() >= 2; }));
    for (const IStreamSourcePtr &source : sources)
        ASSERT_TRUE(source->stopGrabbing());
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
    std::atomic<bool> released {false};
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
    EXPECT_EQ(
        sim.traceLines("attachGrabbing"),
        QStringList({"attachGrabbing K -> fail", "attachGrabbing K -> ok", "attachGrabbing K -> fail"}));
    EXPECT_EQ(sim.traceLines("detachGrabbing"),
              QStringList({"detachGrabbing K -> fail", "detachGrabbing K -> ok"}));
}

TEST(SimStream, TraceRecordsGrabbingAndFrames)
{
    SimSession sim(
        R"({"cameras": [{"key": "K", "width": 4, "height": 2, "fps": 0, "fail": ["stopGrabbing"]}]})");
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
    EXPECT_EQ(
        tail,
        QStringList({"createStreamSource K 0 -> ok", "createAcquisitionControl K -> ok",
                     "set K TriggerMode On -> ok", "set K TriggerSource Software -> ok",
                     "attachGrabbing K -> ok", "startGrabbing K 0 0 -> ok", "execute K TriggerSoftware -> ok",
                     "frame K 1 8", "stopGrabbing K -> fail", "stopGrabbing K -> ok"}));
}

TEST(SimStream, LimitedRunDeliversItsLastFrameToEveryHandlerAndThenStops)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 4, "height": 4, "fps": 0}]})");
    Stream s = openStream();
    Recorder first, second;
    ASSERT_TRUE(s.source->attachGrabbing(first.proc()));
    ASSERT_TRUE(s.source->attachGrabbing(second.proc()));
    ASSERT_TRUE(s.source->startGrabbing(3, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return !s.source->isGrabbing(); }));
    ASSERT_TRUE(waitFor([&] { return second.calls.load() == 3; }));
    EXPECT_EQ(first.calls.load(), 3);
    EXPECT_EQ(VxSim::framesProduced("K"), 3u);
    EXPECT_EQ(VxSim::grabbingStreamCount("K"), 0);

    // A new run counts its own limit; sequence numbers go on.
    ASSERT_TRUE(s.source->startGrabbing(2, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return second.calls.load() == 5; }));
    ASSERT_TRUE(waitFor([&] { return !s.source->isGrabbing(); }));
    std::lock_guard<std::mutex> lock(second.mutex);
    EXPECT_EQ(second.sequences, (std::vector<uint64_t> {1, 2, 3, 4, 5}));
}

TEST(SimStream, DefaultFrameSizeFollowsThePixelFormatAndFrameBytesOverridesIt)
{
    SimSession sim(R"({"cameras": [
        {"key": "Mono8", "width": 10, "height": 3, "pixelFormat": "Mono8"},
        {"key": "BayerGR8", "width": 10, "height": 3, "pixelFormat": "BayerGR8"},
        {"key": "Mono12", "width": 10, "height": 3, "pixelFormat": "Mono12"},
        {"key": "BayerRG10", "width": 10, "height": 3, "pixelFormat": "BayerRG10"},
        {"key": "YUV422Packed", "width": 10, "height": 3, "pixelFormat": "YUV422Packed"},
        {"key": "BGR8Packed", "width": 10, "height": 3, "pixelFormat": "BGR8Packed"},
        {"key": "RGBA8Packed", "width": 10, "height": 3, "pixelFormat": "RGBA8Packed"},
        {"key": "Mono12Packed", "width": 10, "height": 3, "pixelFormat": "Mono12Packed"},
        {"key": "BayerGR10Packed", "width": 3, "height": 3, "pixelFormat": "BayerGR10Packed"},
        {"key": "Mono10p", "width": 10, "height": 3, "pixelFormat": "Mono10p"},
        {"key": "Mono14", "width": 10, "height": 3, "pixelFormat": "Mono14"},
        {"key": "BayerBG16", "width": 10, "height": 3, "pixelFormat": "BayerBG16"},
        {"key": "Odd", "width": 10, "height": 3, "pixelFormat": "Mystery"},
        {"key": "Fixed", "width": 10, "height": 3, "pixelFormat": "RGB8Packed", "frameBytes": 77}]})");
    const std::map<std::string, uint32_t> expected
        = {{"Mono8", 30},        {"BayerGR8", 30},     {"Mono12", 60},          {"BayerRG10", 60},
           {"YUV422Packed", 60}, {"BGR8Packed", 90},   {"RGBA8Packed", 120},    {"Odd", 30},
           {"Fixed", 77},        {"Mono12Packed", 45}, {"BayerGR10Packed", 14}, {"Mono10p", 38},
           {"Mono14", 60},       {"BayerBG16", 60}};
    Dahua::Infra::TVector<ICameraPtr> cameras;
    ASSERT_TRUE(CSystem::getInstance().discovery(cameras, typeAll));
    ASSERT_EQ(cameras.size(), expected.size());
    for (const ICameraPtr &camera : cameras) {
        IStreamSourcePtr source = CSystem::getInstance().createStreamSource(camera, 0);
        Recorder recorder;
        const std::string key = camera->getKey();
        recorder.sampleDepth = key == "Mono12" ? 12 : key == "BayerRG10" ? 10 : key == "Mono14" ? 14 : 8;
        ASSERT_TRUE(source->attachGrabbing(recorder.proc()));
        ASSERT_TRUE(source->startGrabbing(1, grabStrategySequential));
        ASSERT_TRUE(waitFor([&] { return recorder.calls.load() == 1; })) << camera->getKey();
        std::lock_guard<std::mutex> lock(recorder.mutex);
        EXPECT_EQ(recorder.sizes.front(), expected.at(camera->getKey())) << camera->getKey();
        EXPECT_EQ(recorder.badFrames.load(), 0) << camera->getKey();
    }
}

TEST(SimStream, SoftwareTriggerReachesEveryGrabbingStreamSourceOfTheCamera)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 4, "height": 4,
                                    "features": {"TriggerMode": "On", "TriggerSource": "Software"}}]})");
    Stream s = openStream();
    IStreamSourcePtr second = CSystem::getInstance().createStreamSource(s.camera, 0);
    IStreamSourcePtr idle = CSystem::getInstance().createStreamSource(s.camera, 0);
    Recorder a, b, c;
    ASSERT_TRUE(s.source->attachGrabbing(a.proc()));
    ASSERT_TRUE(second->attachGrabbing(b.proc()));
    ASSERT_TRUE(idle->attachGrabbing(c.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(second->startGrabbing(0, grabStrategySequential));
    EXPECT_EQ(VxSim::streamSourceCount("K"), 3);
    EXPECT_EQ(VxSim::grabbingStreamCount("K"), 2);
    EXPECT_EQ(VxSim::attachedHandlerCount("K"), 3);
    for (int i = 1; i <= 4; ++i) {
        ASSERT_TRUE(s.acquisition->triggerSoftware().execute());
        ASSERT_TRUE(waitFor([&] { return a.calls.load() == i && b.calls.load() == i; })) << i;
    }
    // A trigger made while a stream source is stopped is not kept for its next start.
    ASSERT_TRUE(second->stopGrabbing());
    ASSERT_TRUE(s.acquisition->triggerSoftware().execute());
    ASSERT_TRUE(waitFor([&] { return a.calls.load() == 5; }));
    ASSERT_TRUE(second->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(s.acquisition->triggerSoftware().execute());
    ASSERT_TRUE(waitFor([&] { return a.calls.load() == 6 && b.calls.load() == 5; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(a.calls.load(), 6);
    EXPECT_EQ(b.calls.load(), 5);
    EXPECT_EQ(c.calls.load(), 0) << "a stream source that never started gets no frame";
    EXPECT_EQ(VxSim::framesProduced("K"), 11u);
}

TEST(SimStream, SwitchingARunningStreamToSoftwareTriggeringEndsTheFreeRun)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 4, "height": 4, "fps": 0}]})");
    Stream s = openStream();
    Recorder recorder;
    ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return recorder.calls.load() >= 50; }));
    ASSERT_TRUE(s.acquisition->triggerSource().setValueBySymbol("Software"));
    ASSERT_TRUE(s.acquisition->triggerMode().setValueBySymbol("On"));
    // The frame in flight when the mode changed may still arrive; then nothing.
    std::this_thread::sleep_for(50ms);
    const int settled = recorder.calls.load();
    std::this_thread::sleep_for(150ms);
    ASSERT_EQ(recorder.calls.load(), settled);

    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(s.acquisition->triggerSoftware().execute());
        ASSERT_TRUE(waitFor([&] { return recorder.calls.load() == settled + i; }));
    }
    // And back to free running, without a restart.
    ASSERT_TRUE(s.acquisition->triggerMode().setValueBySymbol("Off"));
    ASSERT_TRUE(waitFor([&] { return recorder.calls.load() >= settled + 50; }));
    ASSERT_TRUE(s.source->stopGrabbing());
    EXPECT_EQ(recorder.badFrames.load(), 0);
}

TEST(SimStream, StopAndDetachFromAnotherThreadWaitForTheBlockedHandler)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 4, "height": 4, "fps": 0}]})");
    for (const bool detach : {false, true}) {
        Stream s = openStream();
        std::atomic<bool> entered {false}, release {false}, returned {false};
        Recorder recorder;
        recorder.inside = [&](const CFrame &) {
            if (entered.exchange(true))
                return;
            while (!release.load())
                std::this_thread::sleep_for(1ms);
        };
        ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
        ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
        ASSERT_TRUE(waitFor([&] { return entered.load(); }));
        std::thread stopper([&] {
            const bool ok = detach ? s.source->detachGrabbing(recorder.proc()) : s.source->stopGrabbing();
            EXPECT_TRUE(ok);
            returned = true;
        });
        std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(returned.load()) << (detach ? "detach" : "stop") << " returned while the handler ran";
        release = true;
        stopper.join();
        EXPECT_TRUE(returned.load());
        recorder.stopReturned = true;
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(recorder.callsAfterReturn.load(), 0);
        EXPECT_EQ(recorder.calls.load(), 1) << "the blocked call was the only one";
        s.source.reset();
    }
}

TEST(SimStream, StartAndStopRacingFromTwoThreadsNeverHangOrLeakCalls)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 4, "height": 4, "fps": 0}]})");
    VxSim::setTraceFile(QString()); // thousands of frames: keep the trace file small
    Stream s = openStream();
    Recorder recorder;
    ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
    std::atomic<bool> done {false};
    std::thread racer([&] {
        std::thread starter([&] {
            for (int i = 0; i < 400; ++i)
                s.source->startGrabbing(0, grabStrategySequential);
        });
        for (int i = 0; i < 400; ++i)
            s.source->stopGrabbing();
        starter.join();
        done = true;
    });
    if (!waitFor([&] { return done.load(); }, 60s)) {
        ADD_FAILURE() << "start and stop deadlocked";
        std::_Exit(1);
    }
    racer.join();
    ASSERT_TRUE(s.source->stopGrabbing());
    recorder.stopReturned = true;
    EXPECT_FALSE(s.source->isGrabbing());
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(recorder.callsAfterReturn.load(), 0);
    EXPECT_EQ(VxSim::grabbingStreamCount("K"), 0);
}

TEST(SimStream, AHandlerDetachedByAnEarlierHandlerOfTheSameFrameIsNotCalled)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 4, "height": 4, "fps": 0}]})");
    Stream s = openStream();
    Recorder first, second;
    first.inside = [&](const CFrame &frame) {
        if (frame.getBlockId() == 3) {
            EXPECT_TRUE(s.source->detachGrabbing(second.proc()));
        }
    };
    ASSERT_TRUE(s.source->attachGrabbing(first.proc()));
    ASSERT_TRUE(s.source->attachGrabbing(second.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return first.calls.load() >= 10; }));
    ASSERT_TRUE(s.source->stopGrabbing());
    EXPECT_EQ(second.calls.load(), 2);
    EXPECT_EQ(VxSim::attachedHandlerCount("K"), 1);
}

TEST(SimStream, FramesOfOneSizeShareOneBufferAcrossStreamSourcesAndRuns)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 64, "height": 64, "fps": 0}]})");
    Stream s = openStream();
    // The image pointer of frame 1 of each run: the buffer start, as no frame is copied.
    const auto firstImage = [&](const IStreamSourcePtr &source) {
        struct Seen {
            std::atomic<const void *> image {nullptr};
            void onFrame(const CFrame &frame)
            {
                if (frame.getBlockId() % 256 == 0)
                    image = static_cast<const uint8_t *>(frame.getImage());
            }
        } seen;
        const auto proc = IStreamSource::Proc::bind<&Seen::onFrame>(&seen);
        EXPECT_TRUE(source->attachGrabbing(proc));
        EXPECT_TRUE(source->startGrabbing(0, grabStrategySequential));
        EXPECT_TRUE(waitFor([&] { return seen.image.load() != nullptr; }));
        EXPECT_TRUE(source->stopGrabbing());
        EXPECT_TRUE(source->detachGrabbing(proc));
        return seen.image.load();
    };
    const void *first = firstImage(s.source);
    EXPECT_EQ(firstImage(s.source), first) << "a second run";
    // Another stream source while the first one still grabs (so its buffer is alive).
    Recorder running;
    ASSERT_TRUE(s.source->attachGrabbing(running.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return running.calls.load() > 0; }));
    EXPECT_EQ(firstImage(CSystem::getInstance().createStreamSource(s.camera, 0)), first)
        << "another stream source";
    ASSERT_TRUE(s.source->stopGrabbing());
    ASSERT_TRUE(s.source->detachGrabbing(running.proc()));

    IImageFormatControlPtr format = CSystem::getInstance().createImageFormatControl(s.camera);
    ASSERT_TRUE(format->height().setValue(32));
    Recorder recorder;
    ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
    ASSERT_TRUE(s.source->startGrabbing(3, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return recorder.calls.load() == 3; }));
    EXPECT_EQ(recorder.badFrames.load(), 0);
    std::lock_guard<std::mutex> lock(recorder.mutex);
    EXPECT_EQ(recorder.sizes.back(), 64u * 32u);
}

TEST(SimStream, StatisticsCountDeliveredFramesPerStreamSourceAndPerCameraForTheProcess)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 4, "height": 4,
                                    "features": {"TriggerMode": "On", "TriggerSource": "Software"}},
                                   {"key": "L", "width": 4, "height": 4}]})");
    Stream s = openStream();
    ASSERT_STREQ(s.camera->getKey(), "K");
    IStreamSourcePtr unattached = CSystem::getInstance().createStreamSource(s.camera, 0);
    Recorder recorder;
    ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(unattached->startGrabbing(0, grabStrategySequential));
    const auto snap = [&](int total) {
        ASSERT_TRUE(s.acquisition->triggerSoftware().execute());
        ASSERT_TRUE(waitFor([&] { return recorder.calls.load() == total; })) << total;
        // Readable while grabbing.
        EXPECT_EQ(cameraStatistics("K").deliveredFrames, static_cast<uint64_t>(total));
    };
    for (int i = 1; i <= 3; ++i)
        snap(i);
    EXPECT_EQ(s.source->getStatistics().deliveredFrames, 3u);
    EXPECT_EQ(unattached->getStatistics().deliveredFrames, 0u) << "no handler, nothing delivered";
    unattached.reset();

    // The camera's totals outlive its stream sources and add up later ones.
    s.source.reset();
    s.source = CSystem::getInstance().createStreamSource(s.camera, 0);
    ASSERT_TRUE(s.source->attachGrabbing(recorder.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    snap(4);
    snap(5);
    EXPECT_EQ(s.source->getStatistics().deliveredFrames, 2u);
    ASSERT_TRUE(s.source->stopGrabbing());

    const CStreamStatistics k = cameraStatistics("K");
    EXPECT_EQ(k.deliveredFrames, 5u);
    EXPECT_EQ(k.incompleteFrames + k.lostFrames + k.resentPackets + k.missingPackets, 0u);
    EXPECT_EQ(cameraStatistics("L").deliveredFrames, 0u) << "another camera's frames are not counted";
    EXPECT_EQ(cameraStatistics("nobody").deliveredFrames, 0u);
    EXPECT_EQ(cameraStatistics(nullptr).deliveredFrames, 0u);
    EXPECT_EQ(streamStatistics().deliveredFrames, 5u);
}

TEST(SimStream, AnOutageCutsThePowerAfterItsFramesAndTheCameraAnswersAgainOnceReconnected)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 8, "height": 2, "fps": 200,
                                    "outage": {"afterFrames": 5, "seconds": 0.5}}]})");
    Stream s = openStream();
    ASSERT_TRUE(s.camera->connect(accessPermissionControl));
    ASSERT_TRUE(s.acquisition->exposureTime().setValue(2000.0));
    Recorder before;
    ASSERT_TRUE(s.source->attachGrabbing(before.proc()));
    ASSERT_TRUE(s.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return !s.camera->isConnected(); }));

    // Powered off: exactly its frames came, and nothing answers.
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(before.calls.load(), 5);
    EXPECT_FALSE(s.camera->connect(accessPermissionControl));
    EXPECT_FALSE(CSystem::getInstance().createStreamSource(s.camera, 0));
    EXPECT_FALSE(CSystem::getInstance().createAcquisitionControl(s.camera));
    double exposure = 0;
    EXPECT_FALSE(s.acquisition->exposureTime().getValue(exposure));
    EXPECT_FALSE(s.source->stopGrabbing()); // ends the run all the same
    EXPECT_EQ(VxSim::grabbingStreamCount("K"), 0);
    EXPECT_FALSE(s.camera->disconnect());

    // Back: a new connection works, the settings are the power-on ones, the
    // old stream source stays dead and a new one streams, without a second outage.
    ASSERT_TRUE(waitFor([&] { return s.camera->connect(accessPermissionControl); }));
    EXPECT_TRUE(s.acquisition->exposureTime().getValue(exposure));
    EXPECT_EQ(exposure, 10000.0);
    EXPECT_FALSE(s.source->startGrabbing(0, grabStrategySequential));
    IStreamSourcePtr fresh = CSystem::getInstance().createStreamSource(s.camera, 0);
    ASSERT_TRUE(fresh);
    Recorder after;
    ASSERT_TRUE(fresh->attachGrabbing(after.proc()));
    ASSERT_TRUE(fresh->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return after.calls.load() >= 20; }));
    EXPECT_TRUE(s.camera->isConnected());
    EXPECT_TRUE(fresh->stopGrabbing());
    EXPECT_EQ(before.calls.load(), 5);
    std::lock_guard<std::mutex> lock(after.mutex);
    EXPECT_EQ(after.sequences.front(), 1u);
}
