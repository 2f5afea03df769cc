// Four virtual cameras streaming at full rate through four objects of one
// driver in one process: each object gets only its own camera's frames, and
// stopping, closing or deleting one leaves the others streaming.
#include "cameradahua.h"
#include "cameradahuav2.h"
#include "quietlog.h"
#include "simsession.h"
#include "testhost.h"
#include "waitfor.h"

#include "MVSDK/Sim/VirtualCameras.h"
#include "MVSDK/StreamStatistics.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace {

using Factory = std::function<ICameraObject *(tagVX_CAMERA_OPTION *, IPoolCallback *)>;

// Widths differ, so no two cameras share a frame buffer.
const char *const kFourCameras = R"({"cameras": [
    {"key": "Multi:0", "width": 16, "height": 8, "fps": 0},
    {"key": "Multi:1", "width": 24, "height": 8, "fps": 0},
    {"key": "Multi:2", "width": 32, "height": 8, "fps": 0},
    {"key": "Multi:3", "width": 40, "height": 8, "fps": 0}]})";

// One host place: an object on one camera and what its callback saw.
struct Place {
    Place(int index, const Factory &create)
        : key(QStringLiteral("Multi:%1").arg(index))
    {
        option.cameraName = key;
        host.checkBytes = quint32((16 + 8 * index) * 8);
        host.inside = [this](ICameraObject *self) {
            // While the handler runs, the camera's latest frame is the one handed over.
            if (self->m_pImageData != VxSim::lastFrameImage(key))
                ++foreign;
            // The SDK's sequence (the pattern's first byte) goes up by one: no other stream's frame between.
            const int first = self->m_pImageData[0];
            const int last = lastFirst.exchange(first);
            if (last >= 0 && first != ((last + 1) & 0xFF))
                ++gaps;
        };
        camera.reset(create(&option, &host));
    }

    const QString key;
    tagVX_CAMERA_OPTION option;
    TestHost host;
    std::atomic<int> foreign {0};
    std::atomic<int> gaps {0};
    std::atomic<int> lastFirst {-1};
    std::unique_ptr<ICameraObject> camera;
};

// Waits until every place in `which` has `frames` more frames than now.
void expectStreaming(const std::vector<std::unique_ptr<Place>> &places, const std::vector<int> &which,
                     int frames)
{
    std::vector<int> from;
    for (int i : which)
        from.push_back(places[i]->host.calls.load());
    for (std::size_t k = 0; k < which.size(); ++k) {
        const Place &p = *places[which[k]];
        EXPECT_TRUE(waitFor([&] { return p.host.calls.load() >= from[k] + frames; })) << p.key.toStdString();
    }
}

void runFourCameras(const Factory &create)
{
    SimSession sim(kFourCameras);
    ASSERT_TRUE(sim.loaded()) << sim.loadError().toStdString();
    const QuietLog quiet;
    std::vector<std::unique_ptr<Place>> places;
    for (int i = 0; i < 4; ++i) {
        places.push_back(std::make_unique<Place>(i, create));
        ASSERT_EQ(places[i]->camera->IOpenCamera(), 1);
        setTriggerMode(places[i]->camera.get(), 2);
    }
    for (auto &p : places)
        ASSERT_EQ(p->camera->IStartCamera(), 1);
    expectStreaming(places, {0, 1, 2, 3}, 50);

    places[0]->camera->IStopCamera();
    places[0]->host.closed = true;
    expectStreaming(places, {1, 2, 3}, 50);
    places[1]->camera->ICloseCamera();
    places[1]->host.closed = true;
    expectStreaming(places, {2, 3}, 50);
    places[0]->camera.reset();
    places[1]->camera.reset();
    expectStreaming(places, {2, 3}, 50);
    for (int i : {2, 3}) {
        places[i]->camera->IStopCamera();
        places[i]->host.closed = true;
    }

    for (auto &p : places) {
        SCOPED_TRACE(p->key.toStdString());
        EXPECT_EQ(p->host.callsAfterClose.load(), 0);
        EXPECT_EQ(p->foreign.load(), 0);
        EXPECT_EQ(p->gaps.load(), 0);
        EXPECT_EQ(p->host.patternMismatches.load(), 0);
        const std::vector<TestHost::Delivery> deliveries = p->host.deliveries();
        for (std::size_t i = 0; i < deliveries.size(); ++i)
            ASSERT_EQ(deliveries[i].frameNum, i + 1);
        EXPECT_EQ(Dahua::GenICam::cameraStatistics(p->key.toUtf8().constData()).deliveredFrames,
                  deliveries.size());
    }
}

} // namespace

TEST(MultiCamera, FourCamerasThroughFourCurrentDriverObjectsStayApart)
{
    runFourCameras([](auto *o, auto *c) -> ICameraObject * { return new CCameraDahuaV2(o, c); });
}

TEST(MultiCamera, FourCamerasThroughFourEarlierDriverObjectsStayApart)
{
    runFourCameras([](auto *o, auto *c) -> ICameraObject * { return new CCameraDahua(o, c); });
}
