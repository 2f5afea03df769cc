// The SDK call trace: one intact line per operation, whatever the keys and
// values hold, and nothing while tracing is off.
#include "simsession.h"
#include "waitfor.h"

#include "MVSDK/GenICam.h"
#include "MVSDK/Sim/VirtualCameras.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

using namespace Dahua::GenICam;
using Dahua::Infra::CString;

namespace {

ICameraPtr discoverFirst()
{
    Dahua::Infra::TVector<ICameraPtr> cameras;
    EXPECT_TRUE(CSystem::getInstance().discovery(cameras, typeAll));
    return cameras.empty() ? nullptr : cameras.front();
}

struct Counter {
    std::atomic<int> calls {0};
    void onFrame(const CFrame &) { ++calls; }
};

} // namespace

TEST(SimTrace, KeysAndValuesWithPlaceholdersOrLineBreaksKeepTheirLines)
{
    SimSession sim(R"({"cameras": [{"key": "Cam%1:%2", "model": "two\nlines", "width": 2, "height": 2,
                                    "features": {"TriggerMode": "On", "TriggerSource": "Software"}}]})");
    ASSERT_TRUE(sim.loaded()) << sim.loadError().toStdString();
    ICameraPtr camera = discoverFirst();
    ASSERT_TRUE(camera->connect(accessPermissionControl));
    CString model;
    ASSERT_TRUE(CStringNode(camera, "DeviceModelName").getValue(model));
    EXPECT_EQ(model, "two\nlines") << "the value itself is unchanged";
    IStreamSourcePtr source = CSystem::getInstance().createStreamSource(camera, 0);
    IAcquisitionControlPtr acquisition = CSystem::getInstance().createAcquisitionControl(camera);
    Counter counter;
    ASSERT_TRUE(source->attachGrabbing(IStreamSource::Proc::bind<&Counter::onFrame>(&counter)));
    ASSERT_TRUE(source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(acquisition->triggerSoftware().execute());
    ASSERT_TRUE(waitFor([&] { return counter.calls.load() == 1; }));
    ASSERT_TRUE(source->stopGrabbing());
    ASSERT_TRUE(camera->disconnect());

    EXPECT_EQ(
        sim.traceLines(),
        QStringList({"discovery 3 -> 1", "connect Cam%1:%2 2 -> ok",
                     "get Cam%1:%2 DeviceModelName -> two\\nlines", "createStreamSource Cam%1:%2 0 -> ok",
                     "createAcquisitionControl Cam%1:%2 -> ok", "attachGrabbing Cam%1:%2 -> ok",
                     "startGrabbing Cam%1:%2 0 0 -> ok", "execute Cam%1:%2 TriggerSoftware -> ok",
                     "frame Cam%1:%2 1 4", "stopGrabbing Cam%1:%2 -> ok", "disconnect Cam%1:%2 -> ok"}));
}

TEST(SimTrace, ValuesAreWrittenInTheirOwnNotation)
{
    SimSession sim(R"({"cameras": [{"key": "K", "features": {"ExposureTime": 1234567.5}}]})");
    ICameraPtr camera = discoverFirst();
    IAcquisitionControlPtr acquisition = CSystem::getInstance().createAcquisitionControl(camera);
    IImageFormatControlPtr format = CSystem::getInstance().createImageFormatControl(camera);
    sim.markTrace();
    double exposure = 0;
    EXPECT_TRUE(acquisition->exposureTime().getValue(exposure));
    EXPECT_TRUE(acquisition->exposureTime().setValue(0.25));
    bool reverse = true;
    EXPECT_TRUE(format->reverseY().getValue(reverse));
    int64_t offset = -1;
    EXPECT_TRUE(format->offsetX().getValue(offset));
    EXPECT_FALSE(CDoubleNode(camera, "Width").setValue(3.0)) << "a double node on an integer feature";
    // Doubles keep their full value: whole ones as integers, others in the
    // shortest text that reads back as the same number.
    EXPECT_TRUE(acquisition->exposureTime().setValue(1234567.0));
    EXPECT_TRUE(acquisition->exposureTime().setValue(0.1));
    EXPECT_TRUE(acquisition->exposureTime().setValue(10000.000000000002));
    EXPECT_TRUE(acquisition->exposureTime().setValue(1e25));
    EXPECT_EQ(sim.traceSinceMark(),
              QStringList({"get K ExposureTime -> 1234567.5", "set K ExposureTime 0.25 -> ok",
                           "get K ReverseY -> false", "get K OffsetX -> 0", "set K Width 3 -> fail",
                           "set K ExposureTime 1234567 -> ok", "set K ExposureTime 0.1 -> ok",
                           "set K ExposureTime 10000.000000000002 -> ok", "set K ExposureTime 1e+25 -> ok"}));
}

TEST(SimTrace, NothingIsWrittenWhileTracingIsOffAndLinesAppendAfterwards)
{
    SimSession sim(R"({"cameras": [{"key": "K"}]})");
    ICameraPtr camera = discoverFirst();
    VxSim::setTraceFile(QString());
    ASSERT_TRUE(camera->connect(accessPermissionControl));
    VxSim::setTraceFile(sim.path("trace.txt"));
    ASSERT_TRUE(camera->disconnect());
    EXPECT_EQ(sim.traceLines(), QStringList({"discovery 3 -> 1", "disconnect K -> ok"}));
}

TEST(SimTrace, ATraceFileThatCannotBeOpenedIsSaidOnceOnStandardError)
{
    qunsetenv("VXCAM_SIM_CONFIG");
    qputenv("VXCAM_SIM_TRACE", "/nonexistent/vxcam/trace.txt");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(VxSim::cameraKeys().isEmpty());
    Dahua::Infra::TVector<ICameraPtr> cameras;
    EXPECT_TRUE(CSystem::getInstance().discovery(cameras, typeAll));
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    EXPECT_NE(printed.find("\"/nonexistent/vxcam/trace.txt\""), std::string::npos) << printed;
}
