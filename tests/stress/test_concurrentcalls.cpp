// Calls overlapping on one camera object, of both drivers: first the hard
// cases one by one (a call from inside the callback while another thread
// stops or deletes the same object and waits for that callback), then host
// threads and callbacks calling every operation on the same objects at
// random. Bounded in iterations, not in time.
#include "cameradahua.h"
#include "cameradahuav2.h"
#include "quietlog.h"
#include "simsession.h"
#include "testhost.h"
#include "waitfor.h"

#include "MVSDK/Sim/VirtualCameras.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <random>
#include <shared_mutex>
#include <thread>
#include <vector>

namespace {

struct Driver {
    const char *name;
    const char *key;
    std::function<ICameraObject *(tagVX_CAMERA_OPTION *, IPoolCallback *)> create;
};

const Driver kDrivers[] = {
    {"current", "Calls:V2", [](auto *o, auto *c) -> ICameraObject * { return new CCameraDahuaV2(o, c); }},
    {"earlier", "Calls:V1", [](auto *o, auto *c) -> ICameraObject * { return new CCameraDahua(o, c); }},
};

const char *const kTwoCameras = R"({"cameras": [
    {"key": "Calls:V2", "width": 16, "height": 16, "fps": 1000},
    {"key": "Calls:V1", "width": 16, "height": 16, "fps": 1000}]})";

// An open object in free run, its first frame's callback held until `release`.
struct HeldCallback {
    tagVX_CAMERA_OPTION option;
    TestHost host;
    std::atomic<bool> entered {false};
    std::atomic<bool> left {false};

    // Runs `body` inside the first callback only.
    void hold(std::function<void(ICameraObject *)> body)
    {
        host.inside = [this, body](ICameraObject *self) {
            if (entered.exchange(true))
                return;
            body(self);
            left = true;
        };
    }
};

} // namespace

TEST(ConcurrentCalls, StopAndCloseFromInsideTheCallbackAreCarriedOutByTheThreadThatStops)
{
    SimSession sim(kTwoCameras);
    QuietLog quiet;
    for (const Driver &driver : kDrivers) {
        SCOPED_TRACE(driver.name);
        HeldCallback held;
        held.option.cameraName = driver.key;
        std::unique_ptr<ICameraObject> camera(driver.create(&held.option, &held.host));
        ASSERT_EQ(camera->IOpenCamera(), 1);
        setTriggerMode(camera.get(), 2);
        int snapInside = -1;
        held.hold([&](ICameraObject *self) {
            // The host thread is inside its stop now, waiting for this call.
            EXPECT_TRUE(waitFor([&] { return VxSim::grabbingStreamCount(driver.key) == 0; }));
            self->IStopCamera();
            self->ICloseCamera();
            snapInside = self->ISnapCamera(VX_TRIGGER_DIRECTION_NONE);
        });
        ASSERT_EQ(camera->IStartCamera(), 1);
        ASSERT_TRUE(waitFor([&] { return held.entered.load(); }));

        camera->IStopCamera();
        held.host.closed = true;
        EXPECT_TRUE(held.left.load());
        EXPECT_EQ(snapInside, 0);
        // The close handed over was carried out before the stop returned.
        EXPECT_FALSE(camera->m_bOpened);
        EXPECT_FALSE(camera->m_bStarted);
        EXPECT_FALSE(VxSim::isConnected(driver.key));
        EXPECT_EQ(VxSim::attachedHandlerCount(driver.key), 0);
        EXPECT_EQ(held.host.calls.load(), 1);
        camera.reset();
        EXPECT_EQ(held.host.callsAfterClose.load(), 0);
    }
}

TEST(ConcurrentCalls, AHostOpenWhileTheCallbackThatClosedTheObjectStillRunsLetsItsLaterCallsReturn)
{
    SimSession sim(kTwoCameras);
    QuietLog quiet;
    for (const Driver &driver : kDrivers) {
        SCOPED_TRACE(driver.name);
        HeldCallback held;
        held.option.cameraName = driver.key;
        std::unique_ptr<ICameraObject> camera(driver.create(&held.option, &held.host));
        ASSERT_EQ(camera->IOpenCamera(), 1);
        setTriggerMode(camera.get(), 2);
        std::atomic<bool> closedInside {false};
        held.hold([&](ICameraObject *self) {
            self->ICloseCamera();
            closedInside = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the host opens meanwhile
            tagVX_CAMERA_PROPERTY property {1, 5000};
            self->ISetProperty(&property);
            self->IStopCamera();
        });
        ASSERT_EQ(camera->IStartCamera(), 1);
        ASSERT_TRUE(waitFor([&] { return closedInside.load(); }));
        EXPECT_EQ(camera->IOpenCamera(), 1);
        ASSERT_TRUE(waitFor([&] { return held.left.load(); }));
        EXPECT_TRUE(camera->m_bOpened);
    }
}

TEST(ConcurrentCalls, DeleteWaitsForACallbackTheSdkNoLongerWaitsFor)
{
    SimSession sim(kTwoCameras);
    QuietLog quiet;
    for (const Driver &driver : kDrivers) {
        SCOPED_TRACE(driver.name);
        HeldCallback held;
        held.option.cameraName = driver.key;
        ICameraObject *camera = driver.create(&held.option, &held.host);
        ASSERT_EQ(camera->IOpenCamera(), 1);
        setTriggerMode(camera, 2);
        std::atomic<bool> closedInside {false};
        std::atomic<bool> refusedWhileDeleting {false};
        held.hold([&](ICameraObject *self) {
            // Closing from inside releases the stream source, so the SDK
            // lets this thread go instead of waiting for it.
            self->ICloseCamera();
            closedInside = true;
            // The object opens again (1) until the delete holds it (0).
            refusedWhileDeleting = waitFor([self] { return self->IOpenCamera() == 0; });
            EXPECT_EQ(self->ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 0);
            self->IStopCamera();
        });
        ASSERT_EQ(camera->IStartCamera(), 1);
        ASSERT_TRUE(waitFor([&] { return closedInside.load(); }));

        delete camera;
        EXPECT_TRUE(held.left.load());
        EXPECT_TRUE(refusedWhileDeleting.load());
        EXPECT_FALSE(VxSim::isConnected(driver.key));
        EXPECT_TRUE(waitFor([&] { return VxSim::streamSourceCount(driver.key) == 0; }));
        EXPECT_EQ(held.host.calls.load(), 1);
    }
}

namespace {

// Log lines seen by the property test's handler, in order.
std::mutex g_eventMutex;
std::vector<QString> g_events;
std::atomic<bool> g_propertyInside {false};

void recordEvent(const QString &event)
{
    std::lock_guard<std::mutex> lock(g_eventMutex);
    g_events.push_back(event);
}

} // namespace

TEST(ConcurrentCalls, SnapshotFromInsideTheCallbackWaitsItsTurnBehindAPropertySetting)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 16, "height": 16, "fps": 1000,
                                    "refuse": ["ExposureTime"]}]})");
    // The property setting's first warning holds the host thread inside the
    // operation for a moment, while the callback asks for a snapshot.
    const QtMessageHandler previous
        = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &message) {
              if (message.contains(QLatin1String("Failed to set exposureTime."))) {
                  g_propertyInside = true;
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
              } else if (message.contains(QLatin1String("Set exposure time:5 failed."))) {
                  recordEvent(QStringLiteral("property"));
              }
          });
    HeldCallback held;
    held.option.cameraName = "K";
    CCameraDahuaV2 camera(&held.option, &held.host);
    ASSERT_EQ(camera.IOpenCamera(), 1);
    setTriggerMode(&camera, 2);
    held.hold([](ICameraObject *self) {
        EXPECT_TRUE(waitFor([] { return g_propertyInside.load(); }));
        const int snap = self->ISnapCamera(VX_TRIGGER_DIRECTION_NONE);
        recordEvent(QStringLiteral("snap %1").arg(snap));
    });
    ASSERT_EQ(camera.IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return held.entered.load(); }));
    tagVX_CAMERA_PROPERTY property;
    property.propId = 1;
    property.propValue = 5;
    camera.ISetProperty(&property);
    ASSERT_TRUE(waitFor([&] { return held.left.load(); }));
    camera.ICloseCamera();
    qInstallMessageHandler(previous);

    std::lock_guard<std::mutex> lock(g_eventMutex);
    EXPECT_EQ(g_events, std::vector<QString>({QStringLiteral("property"), QStringLiteral("snap 1")}));
}

namespace {

constexpr int kSlots = 4;
constexpr int kHostThreads = 3;
constexpr int kStepsPerThread = 1500;
constexpr int kPatternBytes = 64;

struct Tally {
    std::atomic<long> frames {0};
    std::atomic<long> afterStop {0};
    std::atomic<long> pattern {0};
    std::atomic<long> callbackCalls {0};
};

enum Call { Open, Start, Snap, Property, Stop, Close, List };

// Host threads open and start more often than the rest, so that frames flow.
Call pickHostCall(std::uint64_t roll)
{
    static const Call kCalls[]
        = {Open, Open, Open, Start, Start, Start, Start, Snap, Property, Stop, Close, List};
    return kCalls[roll % std::size(kCalls)];
}

// Callbacks mostly snap and set properties, and now and then end the stream.
Call pickCallbackCall(std::uint64_t roll)
{
    static const Call kCalls[] = {Snap, Snap, Snap, Snap, Property, Property, Open, Start, Stop, Close, List};
    return kCalls[roll % std::size(kCalls)];
}

// One place for a camera object, with its option record and callback, used
// by every host thread. Host threads hold `lifetime` shared for a call and
// exclusively to create or delete the object; callbacks never wait for it.
class Slot : public IPoolCallback {
public:
    Slot(Tally &tally, const std::atomic<bool> &acting)
        : m_tally(tally)
        , m_acting(acting)
    {
    }
    virtual ~Slot() = default;

    void IStateChanged(ICameraObject *, int) override { }

    void IFrameReady(ICameraObject *self) override
    {
        ++m_tally.frames;
        if (m_quiet.load())
            ++m_tally.afterStop;
        const unsigned char *bytes = self->m_pImageData;
        for (int i = 1; bytes != nullptr && i < kPatternBytes; ++i) {
            if (bytes[i] != static_cast<unsigned char>(bytes[0] + i)) {
                ++m_tally.pattern;
                break;
            }
        }
        if (!m_acting.load())
            return;
        const std::uint64_t roll = mix(m_rolls.fetch_add(1));
        if (roll % 100 >= 15)
            return;
        ++m_tally.callbackCalls;
        // A callback that takes a moment, so that host threads stop, close
        // and delete while it runs.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (roll % 997 < 20) {
            deleteFromInside(self);
            return;
        }
        // A delete from inside another callback waits for no call in flight.
        ++m_callbackCalls;
        if (!m_callbackDeleting.load())
            call(self, pickCallbackCall(roll >> 8), roll >> 16);
        --m_callbackCalls;
        // Still running after a stop or close of its own, which the SDK no
        // longer waits for.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }

    // One call of the contract, keeping count of starts and stops.
    void call(ICameraObject *camera, Call which, std::uint64_t value)
    {
        switch (which) {
        case Open:
            camera->IOpenCamera();
            break;
        case Start:
            // Snapshots leave the camera in software triggering, and the
            // earlier driver's start writes no trigger feature: free run again.
            if (value % 2 == 0)
                VxSim::setFeatureValue(option.cameraName, QStringLiteral("TriggerMode"),
                                       QStringLiteral("Off"));
            beginStart();
            setTriggerMode(camera, 1 + static_cast<int>(value % 3));
            setFrameLimit(camera, static_cast<quint32>(value % 40));
            camera->IStartCamera();
            endStart();
            break;
        case Snap:
            camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE);
            break;
        case Property: {
            tagVX_CAMERA_PROPERTY property;
            property.propId = 1;
            property.propValue = static_cast<int>(value % 30000) - 50;
            camera->ISetProperty(&property);
            break;
        }
        case Stop:
        case Close: {
            const long token = beginStop();
            if (which == Stop)
                camera->IStopCamera();
            else
                camera->ICloseCamera();
            endStop(token);
            break;
        }
        case List:
            camera->IGetCameraList();
            break;
        }
    }

    // Deletes the object, as a host thread does; the caller holds `lifetime`.
    void destroy()
    {
        const long token = beginStop();
        delete camera;
        camera = nullptr;
        endStop(token);
    }

    tagVX_CAMERA_OPTION option;
    std::shared_mutex lifetime;
    ICameraObject *camera = nullptr; // guarded by lifetime

private:
    static std::uint64_t mix(std::uint64_t x)
    {
        x += 0x9E3779B97F4A7C15ull;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        return x ^ (x >> 31);
    }

    // Only while no host thread and no other callback is inside a call.
    void deleteFromInside(ICameraObject *self)
    {
        std::unique_lock<std::shared_mutex> lock(lifetime, std::try_to_lock);
        if (!lock.owns_lock() || m_callbackDeleting.exchange(true))
            return;
        if (m_callbackCalls.load() == 0 && camera == self)
            destroy();
        m_callbackDeleting = false;
    }

    // Frames count as "after a stop" only when no start ran during the stop.
    void beginStart()
    {
        std::lock_guard<std::mutex> lock(m_startMutex);
        ++m_startsBegun;
        ++m_startsRunning;
        m_quiet = false;
    }
    void endStart()
    {
        std::lock_guard<std::mutex> lock(m_startMutex);
        --m_startsRunning;
    }
    long beginStop()
    {
        std::lock_guard<std::mutex> lock(m_startMutex);
        return m_startsRunning == 0 ? m_startsBegun : -1;
    }
    void endStop(long token)
    {
        std::lock_guard<std::mutex> lock(m_startMutex);
        if (token >= 0 && token == m_startsBegun)
            m_quiet = true;
    }

    Tally &m_tally;
    const std::atomic<bool> &m_acting;
    std::atomic<std::uint64_t> m_rolls {0};
    std::atomic<int> m_callbackCalls {0};
    std::atomic<bool> m_callbackDeleting {false};
    std::mutex m_startMutex;
    long m_startsBegun = 0;  // guarded by m_startMutex
    int m_startsRunning = 0; // guarded by m_startMutex
    std::atomic<bool> m_quiet {true};
};

void driveSlots(std::vector<std::unique_ptr<Slot>> &places, unsigned seed)
{
    std::mt19937 rng(seed);
    for (int step = 0; step < kStepsPerThread; ++step) {
        Slot &slot = *places[rng() % places.size()];
        const unsigned roll = rng();
        if (roll % 100 < 4) {
            std::unique_lock<std::shared_mutex> lock(slot.lifetime);
            if (slot.camera != nullptr)
                slot.destroy();
            else
                slot.camera = kDrivers[(roll >> 8) % 2].create(&slot.option, &slot);
            continue;
        }
        {
            std::shared_lock<std::shared_mutex> lock(slot.lifetime);
            if (slot.camera != nullptr)
                slot.call(slot.camera, pickHostCall(roll >> 8), roll >> 12);
        }
        // Now and then frames flow for a moment.
        if ((roll >> 4) % 4 == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
}

} // namespace

TEST(ConcurrentCalls, HostThreadsAndCallbacksCallingAtRandomKeepEveryPromise)
{
    SimSession sim(R"({"cameras": [
        {"key": "Random:A", "model": "A5131", "width": 16, "height": 16, "fps": 0, "line1Hz": 5000},
        {"key": "Random:B", "width": 16, "height": 16, "fps": 0, "line1Hz": 5000}]})");
    ASSERT_TRUE(sim.loaded());
    VxSim::setTraceFile(QString()); // every frame would be a trace line
    QuietLog quiet;

    Tally tally;
    std::atomic<bool> acting {true};
    std::vector<std::unique_ptr<Slot>> places;
    for (int i = 0; i < kSlots; ++i) {
        places.push_back(std::make_unique<Slot>(tally, acting));
        places.back()->option.cameraName
            = i % 2 == 0 ? QStringLiteral("Random:A") : QStringLiteral("Random:B");
        places.back()->option.boardNum = i;
        places.back()->camera = kDrivers[i % 2].create(&places.back()->option, places.back().get());
    }

    std::atomic<int> finished {0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kHostThreads; ++t) {
        threads.emplace_back([&, t] {
            driveSlots(places, 4242 + t);
            ++finished;
        });
    }
    // A deadlock shows as host threads that never finish.
    if (!waitFor([&] { return finished.load() == kHostThreads; }, std::chrono::seconds(100))) {
        ADD_FAILURE() << "host threads deadlocked";
        std::abort();
    }
    for (std::thread &thread : threads)
        thread.join();

    // Final closes: nothing acts from a callback any more, and a close called
    // outside a callback returns once no callback is running.
    acting = false;
    for (const std::unique_ptr<Slot> &slot : places) {
        std::unique_lock<std::shared_mutex> lock(slot->lifetime);
        if (slot->camera == nullptr)
            continue;
        slot->camera->ICloseCamera();
        EXPECT_FALSE(slot->camera->m_bOpened);
        EXPECT_FALSE(slot->camera->m_bStarted);
        slot->destroy();
    }
    std::printf("frames %ld, calls from callbacks %ld\n", tally.frames.load(), tally.callbackCalls.load());

    EXPECT_GT(tally.frames.load(), 0);
    EXPECT_EQ(tally.afterStop.load(), 0);
    EXPECT_EQ(tally.pattern.load(), 0);
    for (const char *key : {"Random:A", "Random:B"}) {
        EXPECT_EQ(VxSim::grabbingStreamCount(key), 0) << key;
        EXPECT_EQ(VxSim::attachedHandlerCount(key), 0) << key;
        EXPECT_TRUE(waitFor([key] { return VxSim::streamSourceCount(key) == 0; })) << key;
        EXPECT_FALSE(VxSim::isConnected(key)) << key;
    }
}
