// The base camera object: initial state, base defaults and the snap-permission test.
#include "vxcameraobject.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <type_traits>

// The host reads these members by their declared types.
static_assert(std::is_same_v<decltype(ICameraObject::m_bOpened), bool>);
static_assert(std::is_same_v<decltype(ICameraObject::m_nWidth), qint32>);
static_assert(std::is_same_v<decltype(ICameraObject::m_nFrameLimit), quint32>);
static_assert(std::is_same_v<decltype(ICameraObject::m_nFrameNum), quint32>);
static_assert(std::is_same_v<decltype(ICameraObject::m_pImageData), const unsigned char *>);
static_assert(std::is_same_v<decltype(ICameraObject::m_reserved1), quint64>);
static_assert(std::is_same_v<decltype(ICameraObject::m_guardedList), CGuardedList>);

namespace {

// The smallest possible driver: the pure operations do nothing, and it
// remembers what reached ISnapCamera through the virtual table.
class BareCamera : public ICameraObject {
public:
    using ICameraObject::ICameraObject;
    int IOpenCamera() override { return 0; }
    void ICloseCamera() override { }
    int IStartCamera() override { return 0; }
    void IStopCamera() override { }
    void IExtension1() override { }
    void IExtension2() override { }
};

class SnapRecordingCamera : public BareCamera {
public:
    using BareCamera::BareCamera;
    int ISnapCamera(emVxTriggerDirection direction) override
    {
        ++calls;
        lastDirection = direction;
        return 7;
    }
    int calls = 0;
    emVxTriggerDirection lastDirection = VX_TRIGGER_DIRECTION_BACKWARD;
};

const char *address(const void *p)
{
    return static_cast<const char *>(p);
}

} // namespace

TEST(CameraObject, NewObjectCarriesTheContractsInitialValues)
{
    tagVX_CAMERA_OPTION option;
    option.imageFormat = 2;
    BareCamera camera(&option, nullptr);

    EXPECT_EQ(camera.m_pCamOpt, &option);
    EXPECT_FALSE(camera.m_bOpened);
    EXPECT_FALSE(camera.m_bStarted);
    EXPECT_TRUE(camera.m_bReserved1);
    EXPECT_EQ(camera.m_nWidth, 0);
    EXPECT_EQ(camera.m_nHeight, 0);
    EXPECT_EQ(camera.m_nBitsPerPixel, 24);
    EXPECT_EQ(camera.m_nImageSize, 0);
    EXPECT_EQ(camera.m_nImageFormat, 0);
    EXPECT_EQ(camera.m_nFrameLimit, 0u);
    EXPECT_EQ(camera.m_nFrameNum, 0u);
    EXPECT_EQ(camera.m_nReserved, 0);
    EXPECT_EQ(camera.m_nCurTriggerMode, 0);
    EXPECT_EQ(camera.m_nTriggerMode, 1);
    EXPECT_EQ(camera.m_pImageData, nullptr);
    EXPECT_TRUE(camera.m_extraData.isEmpty());
    EXPECT_EQ(camera.m_pPoolCallback, nullptr);
    EXPECT_EQ(camera.m_reserved1, 0u);
    EXPECT_EQ(camera.m_reserved2, 0u);
    EXPECT_TRUE(camera.m_guardedList.m_bFlag);
    EXPECT_TRUE(camera.m_guardedList.m_list.isEmpty());
    EXPECT_FALSE(camera.m_bReserved2);
}

TEST(CameraObject, BitsPerPixelFollowTheOptionsImageFormat)
{
    const struct {
        int format;
        int bits;
    } cases[] = {{1, 8}, {2, 24}, {3, 32}, {4, 16}, {0, 0}, {5, 0}, {11, 0}, {12, 0}, {-1, 0}, {6, 0}};
    for (const auto &c : cases) {
        tagVX_CAMERA_OPTION option;
        option.imageFormat = c.format;
        BareCamera camera(&option, nullptr);
        EXPECT_EQ(camera.m_nBitsPerPixel, c.bits) << "imageFormat " << c.format;
        EXPECT_EQ(camera.m_nImageSize, 0) << "imageFormat " << c.format;
    }
}

TEST(CameraObject, MembersLieInTheDeclaredOrder)
{
    tagVX_CAMERA_OPTION option;
    BareCamera c(&option, nullptr);
    const char *order[] = {
        address(&c.m_pCamOpt),         address(&c.m_bOpened),       address(&c.m_bStarted),
        address(&c.m_bReserved1),      address(&c.m_nWidth),        address(&c.m_nHeight),
        address(&c.m_nImageSize),      address(&c.m_nBitsPerPixel), address(&c.m_nImageFormat),
        address(&c.m_nFrameLimit),     address(&c.m_nFrameNum),     address(&c.m_nReserved),
        address(&c.m_nCurTriggerMode), address(&c.m_nTriggerMode),  address(&c.m_pImageData),
        address(&c.m_extraData),       address(&c.m_pPoolCallback), address(&c.m_reserved1),
        address(&c.m_reserved2),       address(&c.m_guardedList),   address(&c.m_bReserved2),
    };
    for (std::size_t i = 1; i < std::size(order); ++i)
        EXPECT_LT(order[i - 1], order[i]) << "member " << i;
}

TEST(CameraObject, BaseDefaultsAnswerEmpty)
{
    tagVX_CAMERA_OPTION option;
    BareCamera camera(&option, nullptr);
    EXPECT_TRUE(camera.IGetCameraList().isEmpty());
    EXPECT_EQ(camera.IExtension3(), 0);
    EXPECT_EQ(camera.IExtension5(42), 0);
    ASSERT_NE(camera.IGetExtraData(), nullptr);
    EXPECT_STREQ(camera.IGetExtraData(), "");

    camera.m_extraData = QByteArray("host data");
    EXPECT_STREQ(camera.IGetExtraData(), "host data");

    tagVX_CAMERA_PROPERTY property;
    property.propId = 1;
    property.propValue = 5;
    camera.ISetProperty(&property);
    camera.ISetProperty(nullptr);
    camera.IExtension4(nullptr);
    EXPECT_EQ(property.propValue, 5);
}

TEST(CameraObject, SnapDefaultGoesThroughTheVirtualTableWithDirectionZero)
{
    tagVX_CAMERA_OPTION option;
    SnapRecordingCamera camera(&option, nullptr);
    EXPECT_EQ(camera.ISnapCameraDefault(), 7);
    EXPECT_EQ(camera.calls, 1);
    EXPECT_EQ(camera.lastDirection, static_cast<emVxTriggerDirection>(0));
}

TEST(SnapPermission, RefusesUntilAcquisitionRuns)
{
    tagVX_CAMERA_OPTION option;
    BareCamera camera(&option, nullptr);
    EXPECT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 0);
    EXPECT_EQ(camera.ISnapCameraDefault(), 0);
    camera.m_bStarted = true;
    EXPECT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_FORWARD), 1);
    EXPECT_EQ(camera.ISnapCameraDefault(), 1);
}

TEST(SnapPermission, SnapDisabledRefusesInEveryMode)
{
    tagVX_CAMERA_OPTION option;
    option.snapDisabled = 1;
    BareCamera camera(&option, nullptr);
    camera.m_bStarted = true;
    for (int mode : {0, 1, 2, 3, 4}) {
        camera.m_nCurTriggerMode = mode;
        EXPECT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 0) << "mode " << mode;
    }
}

TEST(SnapPermission, RefusesWithoutAnOptionRecord)
{
    tagVX_CAMERA_OPTION option;
    BareCamera camera(&option, nullptr);
    camera.m_bStarted = true;
    camera.m_pCamOpt = nullptr;
    EXPECT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 0);
}

TEST(SnapPermission, FrameLimitedModeRefusesOnceTheLimitIsReached)
{
    tagVX_CAMERA_OPTION option;
    BareCamera camera(&option, nullptr);
    camera.m_bStarted = true;
    camera.m_nCurTriggerMode = 3;

    camera.m_nFrameLimit = 0;
    EXPECT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 0);

    camera.m_nFrameLimit = 5;
    camera.m_nFrameNum = 4;
    EXPECT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 1);
    camera.m_nFrameNum = 5;
    EXPECT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 0);
    camera.m_nFrameNum = 6;
    EXPECT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 0);

    // The limit binds only the frame-limited mode.
    camera.m_nCurTriggerMode = 2;
    EXPECT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 1);
}

TEST(SnapPermission, ReadsTheFrameLimitTheHostWritesWhileFramesArrive)
{
    tagVX_CAMERA_OPTION option;
    BareCamera camera(&option, nullptr);
    camera.m_bStarted = true;
    camera.m_nCurTriggerMode = 3;
    std::atomic_ref<quint32>(camera.m_nFrameNum).store(5);

    // The host writes the limit atomically, as it must while frames arrive;
    // ThreadSanitizer reports the test's own read if it is plain.
    std::thread host([&camera] {
        for (quint32 i = 0; i < 2000; ++i)
            std::atomic_ref<quint32>(camera.m_nFrameLimit).store(i % 2 == 0 ? 10 : 0);
        std::atomic_ref<quint32>(camera.m_nFrameLimit).store(6);
    });
    for (int i = 0; i < 2000; ++i) {
        const int answer = camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE);
        ASSERT_TRUE(answer == 0 || answer == 1) << answer;
    }
    host.join();
    EXPECT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 1);
}
