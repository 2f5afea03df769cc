// The Aravis back end against Aravis's in-process fake camera: feature-name
// fallbacks, pixel-format vocabulary, geometry, keys, trace and frames. Only
// the "Fake" interface is enabled, so nothing here opens a socket.
#include "aravisframegap.h"
#include "cameradahuav2.h"
#include "testhost.h"
#include "waitfor.h"

#include "MVSDK/GenICam.h"
#include "MVSDK/Sim/VirtualCameras.h"
#include "MVSDK/StreamStatistics.h"

#include <QFile>
#include <QTemporaryDir>

#include <arv.h>
#include <gtest/gtest.h>

using namespace Dahua::GenICam;

namespace {

// Before any camera use: the Aravis back end, opening the in-process fake
// directly, with only the "Fake" interface enabled (never a network one).
const bool g_fakeOnly = [] {
    qputenv("VXCAM_SDK_BACKEND", "aravis");
    qputenv("VXCAM_ARAVIS_DEVICES", "Fake_1");
    arv_disable_interface("GigEVision");
    arv_disable_interface("USB3Vision");
    arv_enable_interface("Fake");
    return true;
}();

ICameraPtr connectedFake()
{
    Dahua::Infra::TVector<ICameraPtr> cameras;
    EXPECT_TRUE(CSystem::getInstance().discovery(cameras, typeAll));
    EXPECT_EQ(cameras.size(), 1u);
    if (cameras.size() != 1 || !cameras[0]->connect(accessPermissionControl))
        return nullptr;
    return cameras[0];
}

QStringList lines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

TEST(AravisFake, ListedDeviceIsOneCameraKeyedVendorModelSerial)
{
    ASSERT_TRUE(g_fakeOnly);
    Dahua::Infra::TVector<ICameraPtr> first, second;
    ASSERT_TRUE(CSystem::getInstance().discovery(first, typeAll));
    ASSERT_TRUE(CSystem::getInstance().discovery(second, typeAll));
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(first[0].get(), second[0].get()) << "one object per camera across discoveries";
    EXPECT_TRUE(QString::fromUtf8(first[0]->getKey()).startsWith(QLatin1String("Aravis-Fake-")))
        << first[0]->getKey();
    EXPECT_EQ(IGigECamera::getInstance(first[0]), nullptr) << "the in-process fake is no GigE device";
}

TEST(AravisFake, SurfaceFeatureNamesFallBackToTheCamerasNodesAndAreTraced)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath("trace.txt");
    VxSim::setTraceFile(trace);
    ICameraPtr camera = connectedFake();
    ASSERT_NE(camera, nullptr);
    const QString key = QString::fromUtf8(camera->getKey());

    IAcquisitionControlPtr acquisition = CSystem::getInstance().createAcquisitionControl(camera);
    ASSERT_NE(acquisition, nullptr);
    EXPECT_TRUE(acquisition->exposureTime().setValue(2500.0));
    double exposure = 0;
    EXPECT_TRUE(CDoubleNode(camera, "ExposureTimeAbs").getValue(exposure));
    EXPECT_DOUBLE_EQ(exposure, 2500.0) << "ExposureTime is the fake's ExposureTimeAbs";
    EXPECT_FALSE(acquisition->exposureAuto().isValid()) << "the fake has no ExposureAuto";
    EXPECT_FALSE(acquisition->exposureAuto().setValueBySymbol("Off"));

    IAnalogControlPtr analog = CSystem::getInstance().createAnalogControl(camera);
    ASSERT_NE(analog, nullptr);
    EXPECT_TRUE(analog->gainRaw().setValue(3.0));
    int64_t gain = 0;
    EXPECT_TRUE(CIntNode(camera, "GainRaw").getValue(gain));
    EXPECT_EQ(gain, 3) << "Gain is the fake's integer GainRaw";

    IImageFormatControlPtr format = CSystem::getInstance().createImageFormatControl(camera);
    ASSERT_NE(format, nullptr);
    EXPECT_FALSE(format->reverseX().isValid());
    EXPECT_FALSE(format->reverseX().setValue(true));

    const QStringList traced = lines(trace);
    EXPECT_TRUE(traced.contains(QStringLiteral("connect %1 2 -> ok").arg(key)))
        << traced.join('\n').toStdString();
    EXPECT_TRUE(traced.contains(QStringLiteral("createAcquisitionControl %1 -> ok").arg(key)));
    EXPECT_TRUE(traced.contains(QStringLiteral("set %1 ExposureTime 2500 -> ok").arg(key)));
    EXPECT_TRUE(traced.contains(QStringLiteral("set %1 ExposureAuto Off -> fail").arg(key)));
    VxSim::setTraceFile(QString());
}

TEST(AravisFake, PixelFormatsReachTheDriverInTheSurfacesVocabulary)
{
    ICameraPtr camera = connectedFake();
    ASSERT_NE(camera, nullptr);
    IImageFormatControlPtr format = CSystem::getInstance().createImageFormatControl(camera);
    ASSERT_NE(format, nullptr);
    EXPECT_TRUE(format->pixelFormat().setValueBySymbol("RGB8Packed")) << "written as the camera's RGB8";
    Dahua::Infra::CString symbol;
    EXPECT_TRUE(format->pixelFormat().getValueSymbol(symbol));
    EXPECT_STREQ(symbol.c_str(), "RGB8Packed");
    EXPECT_FALSE(format->pixelFormat().setValueBySymbol("NoSuchFormat"));
    EXPECT_TRUE(format->pixelFormat().getValueSymbol(symbol));
    EXPECT_STREQ(symbol.c_str(), "RGB8Packed") << "a refused symbol changes nothing";

    tagVX_CAMERA_OPTION option;
    option.cameraName = QString::fromUtf8(camera->getKey());
    TestHost host;
    CCameraDahuaV2 driver(&option, &host);
    ASSERT_EQ(driver.IOpenCamera(), 1);
    EXPECT_EQ(driver.m_nBitsPerPixel, 24);
    EXPECT_EQ(driver.m_nImageFormat, 2) << "RGB24";
    driver.ICloseCamera();
    ASSERT_TRUE(camera->connect(accessPermissionControl));
    EXPECT_TRUE(
        CSystem::getInstance().createImageFormatControl(camera)->pixelFormat().setValueBySymbol("Mono8"));
}

TEST(AravisFake, GeometryWrittenThroughTheSurfaceIsWhatTheDriverOpensAndDelivers)
{
    ICameraPtr camera = connectedFake();
    ASSERT_NE(camera, nullptr);
    IImageFormatControlPtr format = CSystem::getInstance().createImageFormatControl(camera);
    ASSERT_NE(format, nullptr);
    EXPECT_TRUE(format->width().setValue(320));
    EXPECT_TRUE(format->height().setValue(240));
    EXPECT_TRUE(format->offsetX().setValue(16));
    EXPECT_TRUE(format->offsetY().setValue(8));
    int64_t offsetX = 0, offsetY = 0;
    EXPECT_TRUE(format->offsetX().getValue(offsetX));
    EXPECT_TRUE(format->offsetY().getValue(offsetY));
    EXPECT_EQ(offsetX, 16);
    EXPECT_EQ(offsetY, 8);

    tagVX_CAMERA_OPTION option;
    option.cameraName = QString::fromUtf8(camera->getKey());
    TestHost host;
    CCameraDahuaV2 driver(&option, &host);
    ASSERT_EQ(driver.IOpenCamera(), 1);
    EXPECT_EQ(driver.m_nWidth, 320);
    EXPECT_EQ(driver.m_nHeight, 240);
    setTriggerMode(&driver, 2);
    ASSERT_EQ(driver.IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return host.calls.load() >= 3; }));
    driver.IStopCamera();
    host.closed = true;
    driver.ICloseCamera();
    const std::vector<TestHost::Delivery> deliveries = host.deliveries();
    ASSERT_GE(deliveries.size(), 3u);
    for (std::size_t i = 0; i < deliveries.size(); ++i) {
        EXPECT_EQ(deliveries[i].frameNum, i + 1);
        EXPECT_EQ(deliveries[i].width, 320);
        EXPECT_NE(deliveries[i].data, nullptr);
    }
    EXPECT_EQ(host.callsAfterClose.load(), 0);
    // Every frame the host saw was counted for this camera; the fake loses none.
    const CStreamStatistics statistics = cameraStatistics(camera->getKey());
    EXPECT_GE(statistics.deliveredFrames, deliveries.size());
    EXPECT_EQ(statistics.incompleteFrames + statistics.lostFrames, 0u);
    EXPECT_EQ(statistics.resentPackets + statistics.missingPackets, 0u);
}

TEST(AravisFake, AStreamRestartedWithLargerFramesDropsTheEarlierBuffersAndKeepsItsPool)
{
    ICameraPtr camera = connectedFake();
    ASSERT_NE(camera, nullptr);
    IImageFormatControlPtr format = CSystem::getInstance().createImageFormatControl(camera);
    ASSERT_TRUE(format->width().setValue(128));
    ASSERT_TRUE(format->height().setValue(128));
    IStreamSourcePtr stream = CSystem::getInstance().createStreamSource(camera);
    ASSERT_NE(stream, nullptr);
    struct Widths {
        void onFrame(const CFrame &frame) { (frame.getImageWidth() == 512 ? large : small)++; }
        std::atomic<int> small {0};
        std::atomic<int> large {0};
    } widths;
    ASSERT_TRUE(stream->attachGrabbing(CFrameProc::bind<&Widths::onFrame>(&widths)));
    ASSERT_TRUE(stream->startGrabbing());
    ASSERT_TRUE(waitFor([&] { return widths.small.load() >= 10; }));
    ASSERT_TRUE(stream->stopGrabbing());

    // The buffers of 128 x 128 frames are too small now: each fails at most
    // once and leaves the pool; the new ones take its place.
    ASSERT_TRUE(format->width().setValue(512));
    ASSERT_TRUE(format->height().setValue(512));
    ASSERT_TRUE(stream->startGrabbing());
    ASSERT_TRUE(waitFor([&] { return widths.large.load() >= 40; }));
    ASSERT_TRUE(stream->stopGrabbing());
    EXPECT_LE(stream->getStatistics().incompleteFrames, 8u);
    EXPECT_EQ(stream->getStatistics().lostFrames, 0u);
    stream->detachGrabbing(CFrameProc::bind<&Widths::onFrame>(&widths));
}

TEST(AravisFrameGap, EveryForwardGapCountsInFullAndA16BitWrapCountsWhatItSkipped)
{
    using Mvsdk::aravis::framesBetween;
    EXPECT_EQ(framesBetween(10, 11), 0u);
    EXPECT_EQ(framesBetween(10, 15), 4u);
    EXPECT_EQ(framesBetween(1, 4098), 4096u) << "a 4 s silence at 1,000 fps";
    EXPECT_EQ(framesBetween(100, 1000100), 999999u) << "64-bit ids";
    EXPECT_EQ(framesBetween(65534, 2), 2u) << "65535 and 1 were skipped";
    EXPECT_EQ(framesBetween(65535, 1), 0u);
    EXPECT_EQ(framesBetween(300, 1), 0u) << "counting afresh, not a wrap";
    EXPECT_EQ(framesBetween(70000, 5), 0u) << "64-bit ids do not wrap";
    EXPECT_EQ(framesBetween(0, 7), 0u);
    EXPECT_EQ(framesBetween(7, 0), 0u);
}
