// Dump names on Linux: the file-name encoding is the locale's (UTF-8), and a
// name it cannot hold exactly is not written at all.
#include "bitmapinfo.h"
#include "filesbelow.h"
#include "framedump.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTextCodec>

#include <gtest/gtest.h>

TEST(HostileNames, DumpsLandInAPrefixFolderOfNonLatin1NameAndNeverInAnother)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QString::fromUtf8("日本")));
    // Where a lossy conversion of the name would land.
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("??")));
    tagVX_CAMERA_OPTION option;
    option.cameraName = QStringLiteral("cam:01");
    option.savePrefix = root.path() + QString::fromUtf8("/日本/");
    option.saveSuffix = QStringLiteral(".bmp");
    VxBitmapInfo info;
    initGreyBitmapInfo(info);
    const unsigned char pixels[4] = {1, 2, 3, 4};
    writeFrameDump(dumpFileName(1, option), info, 2, 2, 8, pixels, sizeof(pixels));
    const QStringList written = filesBelow(root.path());
    ASSERT_EQ(written.size(), 1) << written.join(' ').toStdString();
    EXPECT_TRUE(written.first().startsWith(QString::fromUtf8("日本/cam01_")))
        << written.first().toStdString();

    // A file-name encoding without these characters writes nothing at all.
    QTextCodec *const utf8 = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
    writeFrameDump(dumpFileName(2, option), info, 2, 2, 8, pixels, sizeof(pixels));
    QTextCodec::setCodecForLocale(utf8);
    EXPECT_EQ(filesBelow(root.path()), written);
}
