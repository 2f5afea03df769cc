// Frame-to-picture conversion of the host tool.
#include "frameimage.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QImage convert(const QByteArray &bytes, int width, int height, int bits, int imageFormat = 0,
               const QByteArray &pixelFormat = QByteArray())
{
    return frameToImage(bytes, FrameLayout {width, height, bits, imageFormat, pixelFormat});
}

} // namespace

TEST(FrameImage, GreyFramesKeepTheirBytes)
{
    QByteArray bytes;
    for (int i = 0; i < 12; ++i)
        bytes.append(char(i * 20));
    const QImage image = convert(bytes, 4, 3, 8);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(4, 3));
    EXPECT_EQ(qGray(image.pixel(1, 0)), 20);
    EXPECT_EQ(qGray(image.pixel(3, 2)), 220);
}

TEST(FrameImage, ColourFramesKeepTheirChannelOrder)
{
    const QByteArray bytes("\x10\x20\x30\x40\x50\x60", 6);
    const QImage rgb = convert(bytes, 2, 1, 24, 2, "RGB8Packed");
    ASSERT_FALSE(rgb.isNull());
    EXPECT_EQ(rgb.pixel(0, 0) & 0xFFFFFF, 0x102030u);
    EXPECT_EQ(rgb.pixel(1, 0) & 0xFFFFFF, 0x405060u);
    // BGR: known from the image format code alone, or from the symbol.
    EXPECT_EQ(convert(bytes, 2, 1, 24, 11).pixel(0, 0) & 0xFFFFFF, 0x302010u);
    EXPECT_EQ(convert(bytes, 2, 1, 24, 2, "BGR8Packed").pixel(1, 0) & 0xFFFFFF, 0x605040u);

    const QByteArray four("\x01\x02\x03\x00\x04\x05\x06\x80", 8);
    EXPECT_EQ(convert(four, 2, 1, 32, 3, "RGBA8Packed").pixel(1, 0), 0xFF040506u);
    EXPECT_EQ(convert(four, 2, 1, 32, 3, "BGRA8Packed").pixel(1, 0), 0xFF060504u);
    EXPECT_EQ(convert(four, 2, 1, 32, 12).pixel(0, 0), 0xFF030201u);
}

TEST(FrameImage, BayerFramesAreDemosaicedInTheirOrder)
{
    // A red-only scene: every red site 200, green and blue sites 0.
    const auto redScene = [](int redX, int redY) {
        QByteArray mosaic(4 * 4, '\0');
        for (int y = redY; y < 4; y += 2)
            for (int x = redX; x < 4; x += 2)
                mosaic[y * 4 + x] = char(200);
        return mosaic;
    };
    const struct {
        QByteArray symbol;
        int redX, redY;
    } orders[] = {{"BayerRG8", 0, 0}, {"BayerGR8", 1, 0}, {"BayerGB8", 0, 1}, {"BayerBG8", 1, 1}};
    for (const auto &order : orders) {
        const QImage image = convert(redScene(order.redX, order.redY), 4, 4, 8, 1, order.symbol);
        for (const QPoint p :
             {QPoint(1, 1), QPoint(2, 1), QPoint(1, 2), QPoint(2, 2), QPoint(0, 0), QPoint(3, 3)})
            EXPECT_EQ(image.pixel(p) & 0xFFFFFF, 0xC80000u)
                << order.symbol.constData() << " " << p.x() << "," << p.y();
    }
    // A grey mosaic stays grey; so does a mono frame with the same bytes.
    const QImage flat = convert(QByteArray(16, char(90)), 4, 4, 8, 1, "BayerRG8");
    EXPECT_EQ(flat.pixel(1, 2) & 0xFFFFFF, 0x5A5A5Au);
    EXPECT_TRUE(convert(redScene(0, 0), 4, 4, 8, 1, "Mono8").isGrayscale());
}

TEST(FrameImage, SixteenBitFramesAreScaledByTheirLargestValue)
{
    QByteArray bytes(8, '\0');
    const quint16 values[] = {0, 256, 512, 1023};
    for (int i = 0; i < 4; ++i)
        qToLittleEndian(values[i], bytes.data() + 2 * i);
    const QImage image = convert(bytes, 2, 2, 16);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(qGray(image.pixel(0, 0)), 0);
    EXPECT_EQ(qGray(image.pixel(1, 0)), 256 * 255 / 1023);
    EXPECT_EQ(qGray(image.pixel(1, 1)), 255);
}

TEST(FrameImage, ShortFramesAreFilledBlackAndBadGeometryGivesNoImage)
{
    const QImage image = convert(QByteArray("\xFF\xFF", 2), 2, 2, 8);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(qGray(image.pixel(1, 0)), 255);
    EXPECT_EQ(qGray(image.pixel(0, 1)), 0);
    EXPECT_TRUE(convert(QByteArray(4, 'x'), 0, 2, 8).isNull());
    EXPECT_TRUE(convert(QByteArray(4, 'x'), 2, 2, 12).isNull());
    EXPECT_TRUE(convert(QByteArray(4, 'x'), -2, 2, 8).isNull());
}
