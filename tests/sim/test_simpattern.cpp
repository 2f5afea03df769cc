// What the frames of the virtual cameras show: the colour bars in each kind
// of pixel format, and the ramp within the depth of its format.
#include "simsession.h"
#include "waitfor.h"

#include "MVSDK/GenICam.h"
#include "MVSDK/Sim/VirtualCameras.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

using namespace Dahua::GenICam;

namespace {

struct Collector {
    std::mutex mutex;
    std::vector<QByteArray> frames;
    std::atomic<int> calls {0};
    void onFrame(const CFrame &frame)
    {
        std::lock_guard<std::mutex> lock(mutex);
        frames.emplace_back(static_cast<const char *>(frame.getImage()), int(frame.getImageSize()));
        ++calls;
    }
};

// Frames 1 to n of a 64 × 48 camera of this format and pattern. On this size
// the bars are 8 pixels wide over rows 0 to 35, the grey ramp below; the box
// (6 pixels, border 1) of frame s lies at (s, s), the frame number in 1-pixel
// cells on a plate from (1, 1).
std::vector<QByteArray> grab(const QString &format, int n, const QString &pattern = QStringLiteral("bars"),
                             int width = 64, const QString &more = QString())
{
    SimSession sim(QStringLiteral(R"({"cameras": [{"key": "K", "width": %3, "height": 48,
        "pixelFormat": "%1", "fps": 0, "pattern": "%2" %4}]})")
                       .arg(format, pattern)
                       .arg(width)
                       .arg(more)
                       .toUtf8());
    EXPECT_TRUE(sim.loaded()) << sim.loadError().toStdString();
    Dahua::Infra::TVector<ICameraPtr> cameras;
    EXPECT_TRUE(CSystem::getInstance().discovery(cameras, typeAll));
    IStreamSourcePtr source = CSystem::getInstance().createStreamSource(cameras.front(), 0);
    Collector collector;
    EXPECT_TRUE(source->attachGrabbing(IStreamSource::Proc::bind<&Collector::onFrame>(&collector)));
    EXPECT_TRUE(source->startGrabbing(uint64_t(n), grabStrategySequential));
    EXPECT_TRUE(waitFor([&] { return collector.calls.load() == n; }));
    source->stopGrabbing();
    std::lock_guard<std::mutex> lock(collector.mutex);
    return collector.frames;
}

int byteAt(const QByteArray &frame, int offset)
{
    return uchar(frame.at(offset));
}

int sample16(const QByteArray &frame, int pixel)
{
    return byteAt(frame, 2 * pixel) | byteAt(frame, 2 * pixel + 1) << 8;
}

// Bars left to right as 0/1 per red, green, blue.
const int kBars[8][3]
    = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}};

} // namespace

TEST(SimPattern, BarsInMonoAreTheLumaOfEachBarScaledToTheDepth)
{
    const std::vector<QByteArray> mono8 = grab("Mono8", 1);
    ASSERT_EQ(mono8.size(), 1u);
    ASSERT_EQ(mono8[0].size(), 64 * 48);
    for (int bar = 0; bar < 8; ++bar) {
        const double luma = 0.299 * kBars[bar][0] + 0.587 * kBars[bar][1] + 0.114 * kBars[bar][2];
        EXPECT_NEAR(byteAt(mono8[0], 20 * 64 + bar * 8 + 4), 255 * luma, 1.0) << bar;
    }
    EXPECT_EQ(byteAt(mono8[0], 40 * 64), 0) << "the grey ramp starts black";
    EXPECT_EQ(byteAt(mono8[0], 40 * 64 + 63), 255) << "and ends white";

    const std::vector<QByteArray> mono12 = grab("Mono12", 1);
    ASSERT_EQ(mono12[0].size(), 64 * 48 * 2);
    EXPECT_EQ(sample16(mono12[0], 20 * 64 + 4), 4095) << "white";
    EXPECT_EQ(sample16(mono12[0], 20 * 64 + 60), 0) << "black";
    EXPECT_EQ(sample16(mono12[0], 40 * 64 + 63), 4095) << "ramp end";
    EXPECT_NEAR(sample16(mono12[0], 20 * 64 + 8 + 4), 4095 * 0.886, 3) << "yellow";
    int top = 0;
    for (int pixel = 0; pixel < 64 * 48; ++pixel)
        top = std::max(top, sample16(mono12[0], pixel));
    EXPECT_EQ(top, 4095);
    EXPECT_EQ(sample16(grab("Mono16", 1)[0], 20 * 64 + 4), 65535);
}

TEST(SimPattern, BarsInColourFormatsPutEachChannelInItsPlace)
{
    const struct {
        const char *format;
        int bytes;
        int red, green, blue, alpha;
    } formats[]
        = {{"RGB8Packed", 3, 0, 1, 2, -1}, {"BGR8Packed", 3, 2, 1, 0, -1}, {"BGRA8Packed", 4, 2, 1, 0, 3}};
    for (const auto &f : formats) {
        const QByteArray frame = grab(f.format, 1).at(0);
        ASSERT_EQ(frame.size(), 64 * 48 * f.bytes) << f.format;
        for (int bar = 0; bar < 8; ++bar) {
            const int pixel = (20 * 64 + bar * 8 + 4) * f.bytes;
            EXPECT_EQ(byteAt(frame, pixel + f.red), 255 * kBars[bar][0]) << f.format << " bar " << bar;
            EXPECT_EQ(byteAt(frame, pixel + f.green), 255 * kBars[bar][1]) << f.format << " bar " << bar;
            EXPECT_EQ(byteAt(frame, pixel + f.blue), 255 * kBars[bar][2]) << f.format << " bar " << bar;
            if (f.alpha >= 0) {
                EXPECT_EQ(byteAt(frame, pixel + f.alpha), 255) << f.format;
            }
        }
    }
}

TEST(SimPattern, BarsInBayerFormatsAreMosaickedInTheirOrder)
{
    // Colour of the sample at (x even, y even), (odd, even), (even, odd), (odd, odd).
    const struct {
        const char *format;
        int mosaic[4];
        int depth;
    } formats[]
        = {{"BayerRG8", {0, 1, 1, 2}, 8}, {"BayerBG8", {2, 1, 1, 0}, 8}, {"BayerGR12", {1, 0, 2, 1}, 12}};
    for (const auto &f : formats) {
        const QByteArray frame = grab(f.format, 1).at(0);
        const int max = (1 << f.depth) - 1;
        for (int bar = 0; bar < 8; ++bar) {
            for (int k = 0; k < 4; ++k) {
                const int pixel = (20 + k / 2) * 64 + bar * 8 + 4 + k % 2;
                const int value = f.depth == 8 ? byteAt(frame, pixel) : sample16(frame, pixel);
                EXPECT_EQ(value, max * kBars[bar][f.mosaic[k]]) << f.format << " bar " << bar << " k " << k;
            }
        }
    }
}

TEST(SimPattern, BarsBoxMovesEveryFrameAndTheFrameNumberIsDrawn)
{
    const std::vector<QByteArray> frames = grab("Mono8", 21);
    ASSERT_EQ(frames.size(), 21u);
    const auto at = [&](int sequence, int x, int y) { return byteAt(frames.at(sequence - 1), y * 64 + x); };
    const int cyan = at(1, 20, 20);
    EXPECT_EQ(at(20, 20, 20), 0) << "frame 20: box border at (20, 20)";
    EXPECT_EQ(at(20, 23, 23), 255) << "frame 20: box inside";
    EXPECT_EQ(at(21, 20, 20), cyan) << "frame 21: the bar shows again where the box was";
    EXPECT_EQ(at(21, 21, 21), 0);
    EXPECT_EQ(at(21, 26, 26), 0);
    EXPECT_EQ(at(21, 27, 27), at(1, 27, 27)) << "green bar just outside the box";
    // Frame 7: the digit 7 (rows 111, 001, 001, 001, 001) at (2, 2), black around it.
    const char *seven[] = {"###", "..#", "..#", "..#", "..#"};
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(at(7, 2 + column, 2 + row), seven[row][column] == '#' ? 255 : 0) << row << column;
    }
    EXPECT_EQ(at(7, 1, 1), 0);
    EXPECT_EQ(at(7, 5, 2), 0);
    // Frame 12 has two digits, on a plate one digit wider.
    EXPECT_EQ(at(12, 6, 2), 255) << "first row of the 2";
    EXPECT_EQ(at(12, 9, 2), 0) << "the plate reaches past the second digit";
    EXPECT_EQ(at(1, 9, 2), at(1, 9, 20)) << "yellow bar outside the one-digit plate";
}

// Samples of a packed frame: GigE Vision packing (two in three bytes, high
// bits in bytes 0 and 2) or a bit stream, lowest bit first.
std::vector<int> unpack(const QByteArray &frame, int depth, bool gigE, int count)
{
    std::vector<int> samples;
    for (int j = 0; j < count; ++j) {
        if (gigE) {
            const int base = j / 2 * 3;
            const int low = byteAt(frame, base + 1) >> (j % 2 * 4) & ((1 << (depth - 8)) - 1);
            samples.push_back(byteAt(frame, base + (j % 2) * 2) << (depth - 8) | low);
        } else {
            int value = 0;
            for (int bit = 0; bit < depth; ++bit) {
                const int at = j * depth + bit;
                value |= (byteAt(frame, at / 8) >> (at % 8) & 1) << bit;
            }
            samples.push_back(value);
        }
    }
    return samples;
}

TEST(SimPattern, PackedFormatsCarryTheSamePictureAsTheirUnpackedOnes)
{
    const struct {
        const char *packed;
        const char *unpacked;
        int depth;
        bool gigE;
    } formats[] = {{"Mono12Packed", "Mono12", 12, true},
                   {"BayerRG10Packed", "BayerRG10", 10, true},
                   {"Mono10p", "Mono10", 10, false}};
    // An odd width makes rows start inside a byte.
    for (const auto &f : formats) {
        for (int width : {64, 63}) {
            const std::vector<QByteArray> packed = grab(f.packed, 3, "bars", width);
            const std::vector<QByteArray> unpacked = grab(f.unpacked, 3, "bars", width);
            ASSERT_EQ(packed.size(), 3u);
            ASSERT_EQ(packed[0].size(), (width * 48 * (f.gigE ? 12 : f.depth) + 7) / 8);
            for (int s = 0; s < 3; ++s) {
                const std::vector<int> samples = unpack(packed[s], f.depth, f.gigE, width * 48);
                int different = 0;
                for (int j = 0; j < width * 48; ++j)
                    different += samples[j] != sample16(unpacked[s], j);
                EXPECT_EQ(different, 0) << f.packed << " width " << width << " frame " << s + 1;
            }
        }
    }
}

TEST(SimPattern, RampSamplesStayWithinTheDepthOfTheirFormat)
{
    for (const auto &[format, depth] :
         std::vector<std::pair<QString, int>> {{"Mono10", 10}, {"BayerGB12", 12}, {"Mono14", 14}}) {
        const std::vector<QByteArray> frames = grab(format, 3, QStringLiteral("ramp"));
        ASSERT_EQ(frames.size(), 3u);
        for (int s = 1; s <= 3; ++s) {
            const QByteArray &frame = frames[s - 1];
            int wrong = 0;
            for (int j = 0; j < 64 * 48; ++j)
                wrong += sample16(frame, j) != VxSim::patternSample(j, s, depth);
            EXPECT_EQ(wrong, 0) << format.toStdString() << " frame " << s;
        }
    }
    const QByteArray mono16 = grab("Mono16", 1, QStringLiteral("ramp")).at(0);
    EXPECT_EQ(byteAt(mono16, 301), VxSim::patternByte(301, 1)) << "16-bit formats keep the byte ramp";
}

TEST(SimPattern, BarsInAFrameSizeFixedApartFromTheGeometryReachAsFarAsTheFrame)
{
    const std::vector<QByteArray> whole = grab("RGB8Packed", 12);
    const std::vector<QByteArray> cut = grab("RGB8Packed", 12, "bars", 64, R"(, "frameBytes": 100)");
    const std::vector<QByteArray> longer = grab("RGB8Packed", 12, "bars", 64, R"(, "frameBytes": 10000)");
    ASSERT_EQ(cut.size(), 12u);
    ASSERT_EQ(longer.size(), 12u);
    for (int s = 0; s < 12; ++s) {
        EXPECT_EQ(cut[s], whole[s].left(100)) << "frame " << s + 1;
        EXPECT_EQ(longer[s].left(whole[s].size()), whole[s]) << "frame " << s + 1;
        EXPECT_EQ(longer[s].mid(whole[s].size()), QByteArray(10000 - whole[s].size(), '\0')) << s + 1;
    }
}
