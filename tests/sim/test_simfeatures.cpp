// Cameras, controls and feature nodes of the virtual camera system, as the
// SDK surface shows them, with their trace lines.
#include "simsession.h"

#include "MVSDK/GenICam.h"
#include "MVSDK/Sim/VirtualCameras.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Dahua::GenICam;
using Dahua::Infra::CString;

namespace {

ICameraPtr discoverFirst()
{
    Dahua::Infra::TVector<ICameraPtr> cameras;
    EXPECT_TRUE(CSystem::getInstance().discovery(cameras, typeAll));
    return cameras.empty() ? nullptr : cameras.front();
}

} // namespace

TEST(SimCamera, ConnectionStateFollowsConnectAndDisconnect)
{
    SimSession sim(R"({"cameras": [{"key": "K"}]})");
    ICameraPtr camera = discoverFirst();
    ASSERT_NE(camera, nullptr);
    EXPECT_FALSE(camera->isConnected());
    EXPECT_TRUE(camera->connect(accessPermissionControl));
    EXPECT_TRUE(camera->connect(accessPermissionControl)) << "a second holder connects too";
    EXPECT_TRUE(camera->isConnected());
    EXPECT_TRUE(camera->disconnect());
    EXPECT_FALSE(camera->isConnected());
    EXPECT_EQ(
        sim.traceLines(),
        QStringList({"discovery 3 -> 1", "connect K 2 -> ok", "connect K 2 -> ok", "disconnect K -> ok"}));
}

TEST(SimCamera, RediscoveryHandsOutTheSameCameraObject)
{
    SimSession sim(R"({"cameras": [{"key": "K"}]})");
    ICameraPtr first = discoverFirst();
    ICameraPtr second = discoverFirst();
    EXPECT_EQ(first.get(), second.get());
}

TEST(SimCamera, ScriptedFailuresFailTheirOperations)
{
    SimSession sim(R"({"cameras": [{"key": "K", "kind": 1, "fail": ["connect", "createAcquisitionControl",
        "createImageFormatControl", "createAnalogControl", "createISPControl", "createStreamSource"]}]})");
    ICameraPtr camera = discoverFirst();
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->getType(), 1);
    EXPECT_FALSE(camera->connect(accessPermissionControl));
    EXPECT_FALSE(camera->isConnected());
    CSystem &system = CSystem::getInstance();
    EXPECT_EQ(system.createAcquisitionControl(camera), nullptr);
    EXPECT_EQ(system.createImageFormatControl(camera), nullptr);
    EXPECT_EQ(system.createAnalogControl(camera), nullptr);
    EXPECT_EQ(system.createISPControl(camera), nullptr);
    EXPECT_EQ(system.createStreamSource(camera, 0), nullptr);
    EXPECT_EQ(sim.traceSinceMark().mid(1),
              QStringList({"connect K 2 -> fail", "createAcquisitionControl K -> empty",
                           "createImageFormatControl K -> empty", "createAnalogControl K -> empty",
                           "createISPControl K -> empty", "createStreamSource K 0 -> empty"}));

    // Scripting at run time lifts the failure.
    ASSERT_TRUE(VxSim::setFailure("K", "connect", false));
    EXPECT_TRUE(camera->connect(accessPermissionControl));
    EXPECT_FALSE(VxSim::setFailure("K", "explode", true));
    EXPECT_FALSE(VxSim::setFailure("nobody", "connect", true));
}

TEST(SimFeatures, NodesReadAndWriteWithTraceLines)
{
    SimSession sim(R"({"cameras": [{"key": "K", "model": "VirtualMono"}]})");
    ICameraPtr camera = discoverFirst();
    CSystem &system = CSystem::getInstance();
    IAcquisitionControlPtr acquisition = system.createAcquisitionControl(camera);
    IImageFormatControlPtr format = system.createImageFormatControl(camera);
    IAnalogControlPtr analog = system.createAnalogControl(camera);
    IISPControlPtr isp = system.createISPControl(camera);
    ASSERT_TRUE(acquisition && format && analog && isp);
    sim.markTrace();

    CString model;
    EXPECT_TRUE(CStringNode(camera, "DeviceModelName").getValue(model));
    EXPECT_EQ(model, "VirtualMono");
    int64_t width = 0;
    EXPECT_TRUE(format->width().getValue(width));
    EXPECT_EQ(width, 640);
    EXPECT_TRUE(acquisition->triggerMode().setValueBySymbol("On"));
    EXPECT_TRUE(acquisition->exposureTime().setValue(20000.5));
    EXPECT_TRUE(format->reverseX().setValue(true));
    EXPECT_TRUE(isp->contrast().setValue(70));
    EXPECT_TRUE(analog->gainRaw().setValue(2.0));
    EXPECT_TRUE(acquisition->triggerSoftware().execute());
    EXPECT_FALSE(CStringNode(camera, "DeviceModelName").setValue("Renamed")) << "the model is read only";

    EXPECT_EQ(sim.traceSinceMark(),
              QStringList({"get K DeviceModelName -> VirtualMono", "get K Width -> 640",
                           "set K TriggerMode On -> ok", "set K ExposureTime 20000.5 -> ok",
                           "set K ReverseX true -> ok", "set K Contrast 70 -> ok", "set K Gain 2 -> ok",
                           "execute K TriggerSoftware -> ok", "set K DeviceModelName Renamed -> fail"}));

    // Values persist in the camera, whatever handle reads them next.
    IAcquisitionControlPtr again = system.createAcquisitionControl(discoverFirst());
    CString mode;
    EXPECT_TRUE(again->triggerMode().getValueSymbol(mode));
    EXPECT_EQ(mode, "On");
}

TEST(SimFeatures, MissingFeaturesAndWrongKindsGiveInvalidNodes)
{
    SimSession sim(R"({"cameras": [{"key": "K", "missing": ["ReverseX", "TriggerSoftware"]}]})");
    ICameraPtr camera = discoverFirst();
    IImageFormatControlPtr format = CSystem::getInstance().createImageFormatControl(camera);
    IAcquisitionControlPtr acquisition = CSystem::getInstance().createAcquisitionControl(camera);
    sim.markTrace();

    CBoolNode reverse = format->reverseX();
    EXPECT_FALSE(reverse.isValid());
    bool value = false;
    EXPECT_FALSE(reverse.getValue(value));
    EXPECT_FALSE(reverse.setValue(true));
    EXPECT_FALSE(acquisition->triggerSoftware().isValid());
    EXPECT_FALSE(acquisition->triggerSoftware().execute());
    EXPECT_TRUE(format->reverseY().isValid());
    EXPECT_FALSE(CIntNode(camera, "PixelFormat").isValid()) << "an enumeration is not an integer";
    EXPECT_FALSE(CStringNode(camera, "DeviceModelName").isValid()) << "no model configured";
    EXPECT_FALSE(CIntNode().isValid());

    EXPECT_EQ(sim.traceSinceMark(),
              QStringList({"get K ReverseX -> fail", "set K ReverseX true -> fail",
                           "execute K TriggerSoftware -> fail"}));
}

TEST(SimFeatures, RefusalsAndEnumerationEntriesLimitWrites)
{
    SimSession sim(
        R"({"cameras": [{"key": "K", "refuse": ["TriggerMode=Off", "ExposureTime", "TriggerSoftware"]}]})");
    ICameraPtr camera = discoverFirst();
    IAcquisitionControlPtr acquisition = CSystem::getInstance().createAcquisitionControl(camera);
    EXPECT_TRUE(acquisition->triggerMode().setValueBySymbol("On"));
    EXPECT_FALSE(acquisition->triggerMode().setValueBySymbol("Off"));
    EXPECT_FALSE(acquisition->exposureTime().setValue(5.0));
    EXPECT_FALSE(acquisition->triggerSoftware().execute());
    EXPECT_FALSE(acquisition->triggerSource().setValueBySymbol("Line9")) << "not an entry";
    EXPECT_TRUE(acquisition->triggerSource().setValueBySymbol("Software"));

    QString value;
    ASSERT_TRUE(VxSim::featureValue("K", "TriggerMode", &value));
    EXPECT_EQ(value, "On");
    ASSERT_TRUE(VxSim::featureValue("K", "ExposureTime", &value));
    EXPECT_EQ(value, "10000");

    ASSERT_TRUE(VxSim::setRefusal("K", "ExposureTime", false));
    EXPECT_TRUE(acquisition->exposureTime().setValue(5.0));
    EXPECT_TRUE(sim.traceLines().contains("set K TriggerMode Off -> fail"));
}

TEST(SimGigE, ViewsExistOnlyForGigECamerasAndAssignmentChangesTheAddress)
{
    SimSession sim(R"({"cameras": [
        {"key": "G", "gige": {"interface": "192.168.1.10", "mask": "255.255.255.0", "gateway": "192.168.1.1",
                              "camera": "10.0.0.5"}},
        {"key": "U"}]})");
    Dahua::Infra::TVector<ICameraPtr> cameras;
    ASSERT_TRUE(CSystem::getInstance().discovery(cameras, typeAll));
    ASSERT_EQ(cameras.size(), 2u);
    EXPECT_EQ(IGigECamera::getInstance(cameras[1]), nullptr);
    EXPECT_EQ(IGigEInterface::getInstance(cameras[1]), nullptr);

    IGigEInterfacePtr gigeInterface = IGigEInterface::getInstance(cameras[0]);
    IGigECameraPtr gigeCamera = IGigECamera::getInstance(cameras[0]);
    ASSERT_TRUE(gigeInterface && gigeCamera);
    EXPECT_EQ(gigeInterface->getIpAddress(), "192.168.1.10");
    EXPECT_EQ(gigeInterface->getSubnetMask(), "255.255.255.0");
    EXPECT_EQ(gigeInterface->getGateway(), "192.168.1.1");
    EXPECT_EQ(gigeCamera->getIpAddress(), "10.0.0.5");

    EXPECT_TRUE(gigeCamera->forceIpAddress("192.168.1.77", "255.255.255.0", "192.168.1.1"));
    EXPECT_EQ(IGigECamera::getInstance(cameras[0])->getIpAddress(), "192.168.1.77");
    ASSERT_TRUE(VxSim::setFailure("G", "forceIp", true));
    EXPECT_FALSE(gigeCamera->forceIpAddress("192.168.1.78", "255.255.255.0", "192.168.1.1"));
    EXPECT_EQ(gigeCamera->getIpAddress(), "192.168.1.77");
    EXPECT_EQ(sim.traceLines("forceIp"),
              QStringList({"forceIp G 192.168.1.77 255.255.255.0 192.168.1.1 -> ok",
                           "forceIp G 192.168.1.78 255.255.255.0 192.168.1.1 -> fail"}));
}

TEST(SimFeatures, EnumerationsTakeExactlyTheirEntries)
{
    SimSession sim(R"({"cameras": [{"key": "K"}]})");
    ICameraPtr camera = discoverFirst();
    const struct {
        const char *feature;
        std::vector<const char *> entries;
        const char *stranger;
    } enumerations[] = {
        {"TriggerMode", {"Off", "On"}, "on"},
        {"TriggerSelector", {"FrameStart", "AcquisitionStart", "LineStart"}, "FrameEnd"},
        {"TriggerSource", {"Software", "Line1", "Line2", "Line3"}, "Line4"},
        {"ExposureAuto", {"Off", "Once", "Continuous"}, "Auto"},
        {"GainAuto", {"Off", "Once", "Continuous"}, ""},
        {"PixelFormat",
         {"Mono8", "Mono10", "Mono12", "Mono16", "BayerRG8", "BayerGB8", "BayerGR8", "BayerBG8", "BayerRG10",
          "BayerGB10", "BayerRG12", "BayerGB12", "RGB8Packed", "BGR8Packed", "RGBA8Packed", "BGRA8Packed",
          "YUV422Packed"},
         "Mono9"},
    };
    for (const auto &e : enumerations) {
        CEnumNode node(camera, e.feature);
        for (const char *entry : e.entries) {
            EXPECT_TRUE(node.setValueBySymbol(entry)) << e.feature << " " << entry;
            CString read;
            EXPECT_TRUE(node.getValueSymbol(read));
            EXPECT_EQ(read, entry);
        }
        EXPECT_FALSE(node.setValueBySymbol(e.stranger)) << e.feature << " " << e.stranger;
        QString value;
        ASSERT_TRUE(VxSim::featureValue("K", e.feature, &value));
        EXPECT_EQ(value, QString(e.entries.back())) << "a refused write leaves the value";
    }
}

TEST(SimFeatures, GeometryWritesThatWouldBreakTheFramesAreRefused)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 60000, "height": 60000, "pixelFormat": "Mono8"}]})");
    ICameraPtr camera = discoverFirst();
    IImageFormatControlPtr format = CSystem::getInstance().createImageFormatControl(camera);
    EXPECT_FALSE(format->pixelFormat().setValueBySymbol("RGBA8Packed")) << "60000 x 60000 x 4 needs 33 bits";
    EXPECT_FALSE(format->height().setValue(80000));
    EXPECT_FALSE(format->width().setValue(-1));
    EXPECT_FALSE(format->width().setValue(int64_t(1) << 31));
    EXPECT_FALSE(VxSim::setFeatureValue("K", "Height", "80000"));
    QString value;
    ASSERT_TRUE(VxSim::featureValue("K", "PixelFormat", &value));
    EXPECT_EQ(value, "Mono8");
    ASSERT_TRUE(VxSim::featureValue("K", "Height", &value));
    EXPECT_EQ(value, "60000");
    EXPECT_TRUE(format->width().setValue(1000));
    EXPECT_TRUE(format->pixelFormat().setValueBySymbol("RGBA8Packed"));

    // A fixed frame size frees the geometry from the 32-bit limit (but not the sides).
    ASSERT_TRUE(VxSim::setFrameBytes("K", 100));
    EXPECT_TRUE(format->height().setValue(2000000000));
    EXPECT_TRUE(format->width().setValue(2000000000));
    EXPECT_FALSE(format->width().setValue(int64_t(1) << 31));
    EXPECT_TRUE(sim.traceLines().contains("set K PixelFormat RGBA8Packed -> fail"));
}

TEST(SimFeatures, RefusalRulesMustNameAFeature)
{
    SimSession sim(R"({"cameras": [{"key": "K"}]})");
    EXPECT_FALSE(VxSim::setRefusal("K", "Sharpness", true));
    EXPECT_FALSE(VxSim::setRefusal("K", "Sharpness=3", true));
    EXPECT_FALSE(VxSim::setRefusal("nobody", "Gain", true));
    ASSERT_TRUE(VxSim::setRefusal("K", "Gain=2", true));
    IAnalogControlPtr analog = CSystem::getInstance().createAnalogControl(discoverFirst());
    EXPECT_FALSE(analog->gainRaw().setValue(2.0));
    EXPECT_TRUE(analog->gainRaw().setValue(3.0));
    ASSERT_TRUE(VxSim::setRefusal("K", "Gain=2", false));
    EXPECT_TRUE(analog->gainRaw().setValue(2.0));
}

TEST(SimGigE, AddressAssignmentRefusesTextsThatAreNoAddresses)
{
    SimSession sim(R"({"cameras": [{"key": "G", "gige": {"interface": "192.168.1.10", "mask": "255.255.255.0",
                                                         "gateway": "192.168.1.1", "camera": "10.0.0.5"}}]})");
    IGigECameraPtr gige = IGigECamera::getInstance(discoverFirst());
    ASSERT_NE(gige, nullptr);
    const char *bad[] = {"192.168.1", "192.168.1.256", "192.168.1.7x", "192.168.1.1.1", "", "1..2.3"};
    for (const char *address : bad)
        EXPECT_FALSE(gige->forceIpAddress(address, "255.255.255.0", "192.168.1.1")) << address;
    EXPECT_FALSE(gige->forceIpAddress(nullptr, "255.255.255.0", "192.168.1.1"));
    EXPECT_FALSE(gige->forceIpAddress("192.168.1.20", "255.255.255.0", nullptr));
    EXPECT_FALSE(gige->forceIpAddress("192.168.1.20", "mask", "192.168.1.1"));
    EXPECT_EQ(gige->getIpAddress(), "10.0.0.5");
    EXPECT_TRUE(gige->forceIpAddress("192.168.1.20", "255.255.255.0", "192.168.1.1"));
    EXPECT_EQ(gige->getIpAddress(), "192.168.1.20");
}
