// Frame-to-picture conversion of the host tool.
#include "frameimage.h"

#include <QtEndian>

#include <gtest/gtest.h>

TEST(FrameImage, GreyFramesKeepTheirBytes)
{
    QByteArray bytes;
    for (int i = 0; i < 12; ++i)
        bytes.append(char(i * 20));
    const QImage image = frameToImage(bytes, 4, 3, 8);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(4, 3));
    EXPECT_EQ(qGray(image.pixel(1, 0)), 20);
    EXPECT_EQ(qGray(image.pixel(3, 2)), 220);
}

TEST(FrameImage, ColourFramesAreRgbBytes)
{
    const QByteArray bytes("\x10\x20\x30\x40\x50\x60", 6);
    const QImage image = frameToImage(bytes, 2, 1, 24);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0x102030u);
    EXPECT_EQ(image.pixel(1, 0) & 0xFFFFFF, 0x405060u);

    const QImage wide = frameToImage(QByteArray("\x01\x02\x03\xFF\x04\x05\x06\xFF", 8), 2, 1, 32);
    EXPECT_EQ(wide.pixel(1, 0) & 0xFFFFFF, 0x040506u);
}

TEST(FrameImage, SixteenBitFramesAreScaledByTheirLargestValue)
{
    QByteArray bytes(8, '\0');
    const quint16 values[] = {0, 256, 512, 1023};
    for (int i = 0; i < 4; ++i)
        qToLittleEndian(values[i], bytes.data() + 2 * i);
    const QImage image = frameToImage(bytes, 2, 2, 16);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(qGray(image.pixel(0, 0)), 0);
    EXPECT_EQ(qGray(image.pixel(1, 0)), 256 * 255 / 1023);
    EXPECT_EQ(qGray(image.pixel(1, 1)), 255);
}

TEST(FrameImage, ShortFramesAreFilledBlackAndBadGeometryGivesNoImage)
{
    const QImage image = frameToImage(QByteArray("\xFF\xFF", 2), 2, 2, 8);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(qGray(image.pixel(1, 0)), 255);
    EXPECT_EQ(qGray(image.pixel(0, 1)), 0);
    EXPECT_TRUE(frameToImage(QByteArray(4, 'x'), 0, 2, 8).isNull());
    EXPECT_TRUE(frameToImage(QByteArray(4, 'x'), 2, 2, 12).isNull());
    EXPECT_TRUE(frameToImage(QByteArray(4, 'x'), -2, 2, 8).isNull());
}
