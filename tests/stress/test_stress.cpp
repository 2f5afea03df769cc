// Several host threads drive camera objects of both drivers on virtual
// cameras that stream as fast as they can, through random sequences of
// operations, some of them from inside the frame callback. Bounded in time
// and in count.
#include "cameradahua.h"
#include "cameradahuav2.h"
#include "simsession.h"
#include "testhost.h"
#include "waitfor.h"

#include "MVSDK/Sim/VirtualCameras.h"

#include <QDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr int kFrameBytes = 32 * 32;

struct Violations {
    std::atomic<int> afterQuiet {0};
    std::atomic<int> backwards {0};
    std::atomic<int> pattern {0};
    std::atomic<int> nullImage {0};
    std::atomic<long> frames {0};
};

// One host's view of one camera object. The host serialises its own calls
// to the object with `mutex`; the callback acts only when it gets the mutex
// without waiting (a host thread may be inside a stop that waits for it).
class StressHost : public IPoolCallback {
public:
    StressHost(Violations &violations, unsigned seed)
        : m_violations(violations)
        , m_random(seed)
    {
    }
    virtual ~StressHost() = default;

    void IStateChanged(ICameraObject *, int) override { }

    void IFrameReady(ICameraObject *camera) override
    {
        ++m_violations.frames;
        if (quiet.load())
            ++m_violations.afterQuiet;
        const quint32 number = camera->m_nFrameNum;
        if (number <= lastFrame.load())
            ++m_violations.backwards;
        lastFrame = number;
        const unsigned char *bytes = camera->m_pImageData;
        if (bytes == nullptr) {
            ++m_violations.nullImage;
            return;
        }
        for (int i = 1; i < kFrameBytes; ++i) {
            if (bytes[i] != static_cast<unsigned char>(bytes[0] + i)) {
                ++m_violations.pattern;
                break;
            }
        }
        // Now and then act from inside the callback, as hosts do.
        const unsigned roll = m_random() % 200;
        if (roll >= 3 || !mutex.try_lock())
            return;
        if (roll == 0) {
            camera->IStopCamera();
            quiet = true;
        } else if (roll == 1) {
            camera->ICloseCamera();
            quiet = true;
        } else {
            camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE);
        }
        mutex.unlock();
    }

    std::mutex mutex;
    std::atomic<bool> quiet {true};
    std::atomic<quint32> lastFrame {0};

private:
    Violations &m_violations;
    std::minstd_rand m_random; // used on the grabbing thread only
};

// One host thread: owns at most one camera object at a time.
void driveCameras(int index, const QString &dumpDir, Violations &violations, std::atomic<long> &operations,
                  std::chrono::steady_clock::time_point deadline)
{
    std::mt19937 random(1000 + index);
    tagVX_CAMERA_OPTION option;
    option.boardNum = index;
    option.savePrefix = dumpDir + QStringLiteral("/t%1_").arg(index);
    option.saveSuffix = QStringLiteral(".bmp");
    StressHost host(violations, 77 + index);
    std::unique_ptr<ICameraObject> camera;

    const auto pick = [&](int n) { return static_cast<int>(random() % n); };
    for (int step = 0; step < 4000 && std::chrono::steady_clock::now() < deadline; ++step) {
        std::lock_guard<std::mutex> lock(host.mutex);
        ++operations;
        if (!camera) {
            option.cameraName = pick(2) == 0 ? QStringLiteral("Stress:A") : QStringLiteral("Stress:B");
            if (pick(2) == 0)
                camera = std::make_unique<CCameraDahuaV2>(&option, &host);
            else
                camera = std::make_unique<CCameraDahua>(&option, &host);
            continue;
        }
        switch (pick(9)) {
        case 0:
            host.lastFrame = 0;
            camera->IOpenCamera();
            break;
        case 1:
        case 2: {
            setTriggerMode(camera.get(), 1 + pick(3));
            setFrameLimit(camera.get(), static_cast<quint32>(pick(50)));
            // A start in mode 3 may begin the count again.
            host.lastFrame = 0;
            host.quiet = false;
            camera->IStartCamera();
            break;
        }
        case 3:
            camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE);
            break;
        case 4: {
            tagVX_CAMERA_PROPERTY property;
            property.propId = 1;
            property.propValue = pick(40000) - 100;
            camera->ISetProperty(&property);
            break;
        }
        case 5:
            camera->IStopCamera();
            host.quiet = true;
            break;
        case 6:
            camera->ICloseCamera();
            host.quiet = true;
            break;
        case 7:
            camera.reset();
            host.quiet = true;
            break;
        case 8:
            std::atomic_ref<quint8>(option.saveFlag).store(pick(8) == 0 ? 1 : 0);
            break;
        }
        if (pick(4) == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::lock_guard<std::mutex> lock(host.mutex);
    if (camera) {
        camera->ICloseCamera();
        host.quiet = true;
        EXPECT_FALSE(camera->m_bOpened);
        EXPECT_FALSE(camera->m_bStarted);
        camera.reset();
    }
}

} // namespace

TEST(Stress, HostThreadsDrivingBothDriversKeepEveryPromise)
{
    SimSession sim(R"({"cameras": [
        {"key": "Stress:A", "model": "A5131", "width": 32, "height": 32, "fps": 0, "line1Hz": 2000},
        {"key": "Stress:B", "width": 32, "height": 32, "fps": 0, "line1Hz": 2000}]})");
    ASSERT_TRUE(sim.loaded());
    QDir(sim.dir()).mkpath(QStringLiteral("dumps"));
    const QString dumpDir = sim.path(QStringLiteral("dumps"));

    // The drivers log per frame and per step; keep the run's output small.
    const QtMessageHandler previous
        = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    Violations violations;
    std::atomic<long> operations {0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    std::atomic<int> finished {0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            driveCameras(i, dumpDir, violations, operations, deadline);
            ++finished;
        });
    }
    // A deadlock shows as threads that never finish.
    const bool done = waitFor([&] { return finished.load() == 4; }, std::chrono::seconds(120));
    if (!done) {
        ADD_FAILURE() << "host threads deadlocked";
        std::abort();
    }
    for (std::thread &t : threads)
        t.join();
    qInstallMessageHandler(previous);
    std::printf("operations %ld, frames %ld\n", operations.load(), violations.frames.load());

    EXPECT_GT(operations.load(), 100);
    EXPECT_GT(violations.frames.load(), 0);
    EXPECT_EQ(violations.afterQuiet.load(), 0);
    EXPECT_EQ(violations.backwards.load(), 0);
    EXPECT_EQ(violations.pattern.load(), 0);
    EXPECT_EQ(violations.nullImage.load(), 0);
    for (const char *key : {"Stress:A", "Stress:B"}) {
        EXPECT_EQ(VxSim::grabbingStreamCount(key), 0) << key;
        EXPECT_EQ(VxSim::attachedHandlerCount(key), 0) << key;
        EXPECT_TRUE(waitFor([key] { return VxSim::streamSourceCount(key) == 0; })) << key;
    }
}
