// The plug-in as a host sees it: a library loaded at run time that exports
// Camera_Create and Camera_Delete and nothing else.
#include "logcapture.h"
#include "simsession.h"
#include "vxcameraobject.h"

#include <QDir>
#include <QLibrary>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

using CreateFunction = ICameraObject *(*)(tagVX_CAMERA_OPTION *, IPoolCallback *);
using DeleteFunction = void (*)(ICameraObject *);

QString pluginPath()
{
    const QString dir = qEnvironmentVariable("VXCAM_PLUGIN_DIR");
#if defined(Q_OS_WIN)
    return QDir(dir).filePath(QStringLiteral("vxCam_180d.dll"));
#else
    return QDir(dir).filePath(QStringLiteral("libvxCam_180d.so"));
#endif
}

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

#if defined(Q_OS_LINUX)
namespace {

// The lines nm prints for the plug-in's defined symbols, with its options.
QStringList definedSymbols(QStringList options)
{
    QProcess nm;
    options << QStringLiteral("--defined-only") << pluginPath();
    nm.start(QStringLiteral("nm"), options);
    if (!nm.waitForFinished(30000) || nm.exitCode() != 0) {
        ADD_FAILURE() << "nm failed: " << nm.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(nm.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(PluginExports, DynamicSymbolTableHoldsOnlyTheTwoEntryPoints)
{
    QStringList exported;
    const QStringList lines = definedSymbols({QStringLiteral("-D")});
    for (const QString &line : lines) {
        const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
        if (fields.size() < 3)
            continue;
        // Version nodes (type A) are the linker's, not the library's symbols.
        if (fields.at(1) == QLatin1String("A"))
            continue;
        exported << fields.at(2);
    }
    exported.sort();
    EXPECT_EQ(exported, QStringList({QStringLiteral("Camera_Create"), QStringLiteral("Camera_Delete")}))
        << exported.join(' ').toStdString();
}

TEST(PluginExports, SymbolTableCarriesTheCodeOfBothDrivers)
{
    const QStringList lines = definedSymbols({QStringLiteral("-C")});
    const auto defines = [&lines](const char *function) {
        for (const QString &line : lines) {
            const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
            // Code only: type t or T, then the demangled name.
            if (fields.size() >= 3 && fields.at(1).compare(QLatin1String("t"), Qt::CaseInsensitive) == 0
                && line.contains(QLatin1String(function)))
                return true;
        }
        return false;
    };
    for (const char *function :
         {"CCameraDahua::IOpenCamera()", "CCameraDahua::IStartCamera()", "CCameraDahua::onGetFrame(",
          "CCameraDahua::SetParams(", "CCameraDahuaV2::IOpenCamera()"})
        EXPECT_TRUE(defines(function)) << function;
}
#endif
