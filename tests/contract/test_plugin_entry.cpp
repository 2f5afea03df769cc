// The plug-in as a host sees it: a library loaded at run time that exports
// Camera_Create and Camera_Delete and nothing else.
#include "logcapture.h"
#include "pluginfile.h"
#include "simsession.h"
#include "vxcameraobject.h"

#include <QLibrary>

#include <gtest/gtest.h>

namespace {

using CreateFunction = ICameraObject *(*)(tagVX_CAMERA_OPTION *, IPoolCallback *);
using DeleteFunction = void (*)(ICameraObject *);

class Plugin : public ::testing::Test {
protected:
    void SetUp() override
    {
        library.setFileName(pluginPath());
        ASSERT_TRUE(library.load()) << library.errorString().toStdString();
        create = reinterpret_cast<CreateFunction>(library.resolve("Camera_Create"));
        destroy = reinterpret_cast<DeleteFunction>(library.resolve("Camera_Delete"));
        ASSERT_NE(create, nullptr);
        ASSERT_NE(destroy, nullptr);
    }

    QLibrary library;
    CreateFunction create = nullptr;
    DeleteFunction destroy = nullptr;
};

} // namespace

TEST_F(Plugin, CreateLogsAndReturnsAnObjectWithTheInitialValues)
{
    SimSession sim(R"({"cameras": [{"key": "Virtual:A"}]})");
    LogCapture log;
    tagVX_CAMERA_OPTION option;
    option.imageFormat = 4;

    ICameraObject *camera = create(&option, nullptr);
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->m_pCamOpt, &option);
    EXPECT_FALSE(camera->m_bOpened);
    EXPECT_FALSE(camera->m_bStarted);
    EXPECT_EQ(camera->m_nBitsPerPixel, 16);
    EXPECT_EQ(camera->m_nImageSize, 0);
    EXPECT_EQ(camera->m_nTriggerMode, 1);
    EXPECT_EQ(camera->m_nCurTriggerMode, 0);
    EXPECT_EQ(camera->m_nFrameNum, 0u);
    EXPECT_EQ(camera->ISnapCameraDefault(), 0);
    destroy(camera);

    const std::vector<LogEntry> entries = log.entries();
    ASSERT_GE(entries.size(), 1u);
    EXPECT_EQ(entries.front().type, QtDebugMsg);
    EXPECT_EQ(entries.front().message, QStringLiteral("create dahua camera..."));
    // File, line and function are recorded whatever the build type.
    EXPECT_FALSE(entries.front().file.isEmpty());
    EXPECT_GT(entries.front().line, 0);
    EXPECT_TRUE(entries.front().function.contains(QStringLiteral("Camera_Create")));

    // Creating and deleting an object never touches a camera.
    EXPECT_TRUE(sim.traceLines().isEmpty()) << sim.traceLines().join('\n').toStdString();
}

TEST_F(Plugin, DeleteIgnoresNullAndCreateRefusesAMissingOptionRecord)
{
    destroy(nullptr);
    EXPECT_EQ(create(nullptr, nullptr), nullptr);
}
