// Dump names on Windows: the name goes to the narrow fopen as Latin-1 bytes,
// which the ANSI code page must read as the same characters; "\" separates
// folders as well as "/". A name without that exact form is not written at
// all, neither under a look-alike name nor in another folder.
#include "bitmapinfo.h"
#include "filesbelow.h"
#include "framedump.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void dumpOneFrame(const QString &prefix, quint32 frameNumber)
{
    tagVX_CAMERA_OPTION option;
    option.cameraName = QStringLiteral("cam:01");
    option.savePrefix = prefix;
    option.saveSuffix = QStringLiteral(".bmp");
    VxBitmapInfo info;
    initGreyBitmapInfo(info);
    const unsigned char pixels[4] = {1, 2, 3, 4};
    writeFrameDump(dumpFileName(frameNumber, option), info, 2, 2, 8, pixels, sizeof(pixels));
}

} // namespace

TEST(HostileNames, ALatin1PrefixWithBackslashesWritesIntoItsOwnFolder)
{
    QTemporaryDir root;
    const QString folder = QString::fromUtf8("Grüße");
    ASSERT_TRUE(QDir(root.path()).mkpath(folder + QStringLiteral("/sub")));
    const QString nativeRoot = QDir::toNativeSeparators(root.path());
    ASSERT_TRUE(nativeRoot.contains(QLatin1Char('\\'))) << nativeRoot.toStdString();

    dumpOneFrame(nativeRoot + QLatin1Char('\\') + folder + QLatin1Char('\\'), 1);
    // A file-name start after the last "\" of the prefix, and "/" mixed in.
    dumpOneFrame(nativeRoot + QLatin1Char('/') + folder + QStringLiteral("\\sub\\run_"), 2);

    QStringList written = filesBelow(root.path());
    written.sort();
    ASSERT_EQ(written.size(), 2) << written.join(' ').toStdString();
    EXPECT_TRUE(written.at(0).startsWith(folder + QStringLiteral("/cam01_"))) << written.at(0).toStdString();
    EXPECT_TRUE(written.at(0).endsWith(QStringLiteral("_1.bmp"))) << written.at(0).toStdString();
    EXPECT_TRUE(written.at(1).startsWith(folder + QStringLiteral("/sub/run_cam01_")))
        << written.at(1).toStdString();
    EXPECT_EQ(QFileInfo(root.filePath(written.at(0))).size(), 1078 + 4);
}

TEST(HostileNames, APrefixOutsideLatin1OrTheAnsiCodePageWritesNowhere)
{
    QTemporaryDir root;
    // Each prefix folder, and where a lossy conversion of its name would land:
    // Windows' best-fit mapping turns "Łódź" into "Lodz"; the ANSI code page
    // 1252 reads the Latin-1 byte of U+0080 as the euro sign.
    const QStringList folders
        = {QString::fromUtf8("Łódź"), QStringLiteral("Lodz"), QChar(0x80) + QStringLiteral("uro"),
           QString::fromUtf8("€uro"), QString::fromUtf8("日本")};
    for (const QString &folder : folders)
        ASSERT_TRUE(QDir(root.path()).mkpath(folder)) << folder.toStdString();

    const QString nativeRoot = QDir::toNativeSeparators(root.path());
    dumpOneFrame(nativeRoot + QLatin1Char('\\') + folders.at(0) + QLatin1Char('\\'), 1);
    dumpOneFrame(nativeRoot + QLatin1Char('\\') + folders.at(2) + QLatin1Char('\\'), 2);
    dumpOneFrame(nativeRoot + QLatin1Char('\\') + folders.at(4) + QLatin1Char('\\'), 3);
    EXPECT_EQ(filesBelow(root.path()), QStringList()) << filesBelow(root.path()).join(' ').toStdString();
}
