#include "barspattern.h"

#include "pixellayout.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace VxSim {
namespace detail {

namespace {

// A colour with 16 bits per channel.
struct Colour {
    uint32_t r, g, b;
};

constexpr uint32_t kFull = 65535;
constexpr Colour kWhite {kFull, kFull, kFull};
constexpr Colour kBlack {0, 0, 0};
constexpr Colour kBars[8] = {kWhite,
                             {kFull, kFull, 0},
                             {0, kFull, kFull},
                             {0, kFull, 0},
                             {kFull, 0, kFull},
                             {kFull, 0, 0},
                             {0, 0, kFull},
                             kBlack};

// Digits 0 to 9, three pixels wide and five high: one row per three bits, top
// row first, the leftmost pixel in the highest bit.
constexpr uint16_t kFont[10]
    = {0x7B6F, 0x2C97, 0x73E7, 0x73CF, 0x5BC9, 0x79CF, 0x79EF, 0x7249, 0x7BEF, 0x7BCF};
// The largest count of decimal digits of a frame number.
constexpr int kMaxDigits = 20;

uint32_t scaled(uint32_t value, uint32_t max)
{
    return static_cast<uint32_t>((uint64_t(value) * max + kFull / 2) / kFull);
}

uint32_t luma(const Colour &c)
{
    return (77 * c.r + 150 * c.g + 29 * c.b) >> 8;
}

Colour backgroundAt(uint32_t x, uint32_t y, uint32_t width, uint32_t height)
{
    if (y < height - height / 4)
        return kBars[uint64_t(x) * 8 / width];
    const uint32_t level = width > 1 ? static_cast<uint32_t>(uint64_t(x) * kFull / (width - 1)) : 0;
    return {level, level, level};
}

// The bytes of one group of pixels (PixelLayout::groupPixels) at (xs[k], ys[k]).
void encodeGroup(const PixelLayout &layout, const Colour *c, const uint32_t *xs, const uint32_t *ys,
                 int count, uint8_t *out)
{
    switch (layout.kind) {
    case PixelLayout::Kind::Rgb:
        out[layout.red] = static_cast<uint8_t>(scaled(c[0].r, 255));
        out[layout.green] = static_cast<uint8_t>(scaled(c[0].g, 255));
        out[layout.blue] = static_cast<uint8_t>(scaled(c[0].b, 255));
        if (layout.alpha >= 0)
            out[layout.alpha] = 255;
        return;
    case PixelLayout::Kind::Yuv422: {
        // Full-range BT.601; the pair shares the chroma of its mean colour.
        const int r = int(scaled((c[0].r + c[1].r) / 2, 255));
        const int g = int(scaled((c[0].g + c[1].g) / 2, 255));
        const int b = int(scaled((c[0].b + c[1].b) / 2, 255));
        out[0] = static_cast<uint8_t>(std::clamp(128 + (-43 * r - 85 * g + 128 * b) / 256, 0, 255));
        out[1] = static_cast<uint8_t>(scaled(luma(c[0]), 255));
        out[2] = static_cast<uint8_t>(std::clamp(128 + (128 * r - 107 * g - 21 * b) / 256, 0, 255));
        out[3] = static_cast<uint8_t>(scaled(luma(c[1]), 255));
        return;
    }
    case PixelLayout::Kind::Grey:
    case PixelLayout::Kind::Bayer:
        break;
    }
    uint32_t samples[8];
    for (int k = 0; k < count; ++k) {
        uint32_t value = luma(c[k]);
        if (layout.kind == PixelLayout::Kind::Bayer) {
            const uint8_t channel = layout.mosaic[(ys[k] & 1) * 2 + (xs[k] & 1)];
            value = channel == 0 ? c[k].r : channel == 1 ? c[k].g : c[k].b;
        }
        samples[k] = scaled(value, layout.maxSample());
    }
    switch (layout.packing) {
    case PixelLayout::Packing::Bytes:
        out[0] = static_cast<uint8_t>(samples[0] & 0xFF);
        if (layout.bitsPerPixel == 16)
            out[1] = static_cast<uint8_t>(samples[0] >> 8);
        return;
    case PixelLayout::Packing::GigEPacked: {
        const int low = layout.depth - 8;
        const uint32_t lowMask = (1u << low) - 1;
        out[0] = static_cast<uint8_t>(samples[0] >> low);
        out[1] = static_cast<uint8_t>((samples[0] & lowMask) | ((samples[1] & lowMask) << 4));
        out[2] = static_cast<uint8_t>(samples[1] >> low);
        return;
    }
    case PixelLayout::Packing::LsbFirst: {
        uint64_t bits = 0;
        for (int k = 0; k < count; ++k)
            bits |= uint64_t(samples[k]) << (k * layout.depth);
        for (int byte = 0; byte < count * layout.depth / 8; ++byte)
            out[byte] = static_cast<uint8_t>(bits >> (8 * byte));
        return;
    }
    }
}

// The pixels and bytes a frame of one shape holds.
struct Frame {
    Frame(const FrameShape &shape, const PixelLayout &pixelLayout)
        : layout(pixelLayout)
        , width(shape.width)
        , height(shape.height)
        , pixels(uint64_t(shape.width) * shape.height)
        , bytes(shape.bytes)
        , group(static_cast<uint32_t>(layout.groupPixels()))
    {
    }

    uint64_t byteOffset(uint64_t pixel) const { return pixel * uint64_t(layout.bitsPerPixel) / 8; }
    // Every row starts on a group, so rows of one colour arrangement have the same bytes.
    bool rowsAligned() const { return width % group == 0; }
    uint64_t rowBytes() const { return byteOffset(width); }
    // Pixels [first, last) of row y, widened to whole groups.
    void rowRun(uint32_t y, uint32_t x0, uint32_t x1, uint64_t *first, uint64_t *last) const
    {
        *first = (uint64_t(y) * width + x0) / group * group;
        *last = (uint64_t(y) * width + x1 + group - 1) / group * group;
    }
    // Copies bytes [begin, end) of `from` to `to`, as far as the frame reaches.
    void copy(uint8_t *to, const uint8_t *from, uint64_t begin, uint64_t end) const
    {
        end = std::min(end, bytes);
        if (begin < end)
            std::memcpy(to, from, end - begin);
    }

    // Encodes pixels [first, last), first a multiple of the group, their colours
    // from colourAt(x, y) (black past the last pixel), into `out`, which holds
    // the `outBytes` bytes from pixel `origin` on.
    template <class ColourAt>
    void encodeInto(uint64_t first, uint64_t last, const ColourAt &colourAt, uint8_t *out, uint64_t outBytes,
                    uint64_t origin) const
    {
        const uint32_t groupBytes = group * static_cast<uint32_t>(layout.bitsPerPixel) / 8;
        uint32_t x = static_cast<uint32_t>(first % width);
        uint32_t y = static_cast<uint32_t>(first / width);
        uint64_t offset = byteOffset(first) - byteOffset(origin);
        for (uint64_t i = first; i < last && offset < outBytes; i += group, offset += groupBytes) {
            Colour colours[8];
            uint32_t xs[8], ys[8];
            for (uint32_t k = 0; k < group; ++k) {
                colours[k] = i + k < pixels ? colourAt(x, y) : kBlack;
                xs[k] = x;
                ys[k] = y;
                if (++x == width) {
                    x = 0;
                    ++y;
                }
            }
            uint8_t groupOut[8];
            encodeGroup(layout, colours, xs, ys, static_cast<int>(group), groupOut);
            std::memcpy(out + offset, groupOut, std::min<uint64_t>(groupBytes, outBytes - offset));
        }
    }
    // Pixels [x0, x1) of row y into the frame; no byte past its end is written.
    template <class ColourAt>
    void encode(uint32_t y, uint32_t x0, uint32_t x1, const ColourAt &colourAt, uint8_t *frame) const
    {
        uint64_t first = 0, last = 0;
        rowRun(y, x0, x1, &first, &last);
        encodeInto(first, last, colourAt, frame, bytes, 0);
    }

    const PixelLayout layout;
    const uint32_t width;
    const uint32_t height;
    const uint64_t pixels;
    const uint64_t bytes;
    const uint32_t group;
};

// Paints pixels [x0, x1) of row y in the colour of `solidRow` (that colour's
// row of the same parity, null when rows are not aligned): whole groups are
// copied from it, the groups at the ends it shares with other pixels are
// encoded from colourAt.
template <class ColourAt>
void fillRun(const Frame &f, uint8_t *frame, const uint8_t *solidRow, uint32_t y, uint32_t x0, uint32_t x1,
             const ColourAt &colourAt)
{
    if (x0 >= x1)
        return;
    const uint32_t inner0 = (x0 + f.group - 1) / f.group * f.group;
    const uint32_t inner1 = x1 / f.group * f.group;
    if (solidRow == nullptr || inner0 >= inner1) {
        f.encode(y, x0, x1, colourAt, frame);
        return;
    }
    if (x0 < inner0)
        f.encode(y, x0, inner0, colourAt, frame);
    const uint64_t begin = f.byteOffset(uint64_t(y) * f.width + inner0);
    f.copy(frame + begin, solidRow + f.byteOffset(inner0), begin,
           f.byteOffset(uint64_t(y) * f.width + inner1));
    if (inner1 < x1)
        f.encode(y, inner1, x1, colourAt, frame);
}

uint32_t bounce(uint64_t sequence, uint32_t speed, uint32_t range)
{
    if (range == 0)
        return 0;
    const uint64_t period = 2 * uint64_t(range);
    const uint64_t t = (sequence % period) * speed % period;
    return static_cast<uint32_t>(t < range ? t : period - t);
}

uint32_t cellSize(uint32_t width, uint32_t height)
{
    return std::max(1u, std::min(width, height) / 48);
}

} // namespace

void drawBarsBackground(const FrameShape &shape, uint8_t *frame)
{
    std::memset(frame, 0, shape.bytes);
    const Frame f(shape, pixelLayout(QString::fromStdString(shape.pixelFormat)));
    if (f.pixels == 0)
        return;
    const auto colourAt = [&](uint32_t x, uint32_t y) { return backgroundAt(x, y, f.width, f.height); };
    if (!f.rowsAligned()) {
        f.encodeInto(0, (f.pixels + f.group - 1) / f.group * f.group, colourAt, frame, f.bytes, 0);
        return;
    }
    // Rows of the bars, and rows of the ramp, differ only by their parity
    // (Bayer): two of each are encoded, the others copied.
    const uint32_t barRows = f.height - f.height / 4;
    const uint64_t rowBytes = f.rowBytes();
    for (uint32_t y = 0; y < f.height; ++y) {
        const uint32_t source = y < barRows ? (y & 1) : barRows + ((y - barRows) & 1);
        if (source == y)
            f.encode(y, 0, f.width, colourAt, frame);
        else
            f.copy(frame + y * rowBytes, frame + source * rowBytes, y * rowBytes, (y + 1) * rowBytes);
    }
}

BarsOverlay BarsOverlay::of(uint32_t width, uint32_t height, uint64_t sequence)
{
    BarsOverlay overlay;
    const uint32_t shorter = std::min(width, height);
    const uint32_t side = shorter < 2 ? shorter : std::max(2u, shorter / 8);
    overlay.box.x0 = bounce(sequence, std::max(1u, width / 128), width - side);
    overlay.box.y0 = bounce(sequence, std::max(1u, height / 160), height - side);
    overlay.box.x1 = overlay.box.x0 + side;
    overlay.box.y1 = overlay.box.y0 + side;

    int digits = 1;
    for (uint64_t rest = sequence / 10; rest != 0; rest /= 10)
        ++digits;
    const uint64_t cell = cellSize(width, height);
    overlay.plate.x0 = static_cast<uint32_t>(std::min<uint64_t>(cell, width));
    overlay.plate.y0 = static_cast<uint32_t>(std::min<uint64_t>(cell, height));
    overlay.plate.x1 = static_cast<uint32_t>(std::min<uint64_t>(cell * (4 * digits + 2), width));
    overlay.plate.y1 = static_cast<uint32_t>(std::min<uint64_t>(cell * 8, height));
    return overlay;
}

void BarsCanvas::FreeDeleter::operator()(uint8_t *p) const
{
    std::free(p);
}

BarsCanvas::BarsCanvas() = default;
BarsCanvas::~BarsCanvas() = default;

bool BarsCanvas::prepare(const std::shared_ptr<const FramePattern> &pattern)
{
    if (pattern == m_pattern)
        return true;
    const FrameShape &shape = pattern->shape();
    if (m_pattern == nullptr || m_pattern->shape().bytes != shape.bytes) {
        m_pattern.reset();
        m_buffer.reset(static_cast<uint8_t *>(std::malloc(shape.bytes == 0 ? 1 : shape.bytes)));
        if (m_buffer == nullptr)
            return false;
    }
    std::memcpy(m_buffer.get(), pattern->frame(0), shape.bytes);
    m_layout = pixelLayout(QString::fromStdString(shape.pixelFormat));
    m_dirty = false;

    // White and black rows of both parities, while rows are aligned and one
    // fits in the frame.
    m_solidRows.reset();
    const Frame f(shape, m_layout);
    if (f.pixels != 0 && f.rowsAligned() && f.rowBytes() <= f.bytes) {
        const uint64_t rowBytes = f.rowBytes();
        m_solidRows.reset(static_cast<uint8_t *>(std::malloc(4 * rowBytes)));
        for (int k = 0; k < 4 && m_solidRows != nullptr; ++k) {
            const Colour colour = k < 2 ? kWhite : kBlack;
            const uint64_t first = uint64_t(k % 2) * f.width;
            f.encodeInto(
                first, first + f.width, [&](uint32_t, uint32_t) { return colour; },
                m_solidRows.get() + k * rowBytes, rowBytes, first);
        }
    }
    m_pattern = pattern;
    return true;
}

void BarsCanvas::restore(const BarsOverlay::Rect &rect)
{
    const Frame f(m_pattern->shape(), m_layout);
    const uint8_t *background = m_pattern->frame(0);
    for (uint32_t y = rect.y0; y < rect.y1; ++y) {
        uint64_t first = 0, last = 0;
        f.rowRun(y, rect.x0, rect.x1, &first, &last);
        const uint64_t begin = f.byteOffset(first);
        f.copy(m_buffer.get() + begin, background + begin, begin, f.byteOffset(last));
    }
}

const uint8_t *BarsCanvas::draw(uint64_t sequence)
{
    const FrameShape &shape = m_pattern->shape();
    if (uint64_t(shape.width) * shape.height == 0)
        return m_buffer.get();
    if (m_dirty) {
        restore(m_drawn.box);
        restore(m_drawn.plate);
    }
    const BarsOverlay overlay = BarsOverlay::of(shape.width, shape.height, sequence);
    char digits[kMaxDigits];
    int count = 0;
    for (uint64_t rest = sequence; count == 0 || rest != 0; rest /= 10)
        digits[count++] = static_cast<char>(rest % 10);
    std::reverse(digits, digits + count);

    const Frame f(shape, m_layout);
    const uint32_t cell = cellSize(shape.width, shape.height);
    const BarsOverlay::Rect &box = overlay.box;
    const BarsOverlay::Rect &plate = overlay.plate;
    const uint32_t border = std::max(1u, (box.x1 - box.x0) / 8);
    // Whether the pixel at plate cell (column, row) is lit: digits start one
    // cell inside the plate, four cells apart.
    const auto lit = [&](uint64_t column, uint32_t row) {
        if (column < 1 || row < 1 || row > 5)
            return false;
        const uint64_t digit = (column - 1) / 4;
        const uint64_t within = (column - 1) % 4;
        if (digit >= uint64_t(count) || within == 3)
            return false;
        return ((kFont[int(digits[digit])] >> ((5 - row) * 3 + (2 - within))) & 1) != 0;
    };
    const auto colourAt = [&](uint32_t x, uint32_t y) -> Colour {
        if (x >= plate.x0 && x < plate.x1 && y >= plate.y0 && y < plate.y1)
            return lit((x - plate.x0) / cell, (y - plate.y0) / cell) ? kWhite : kBlack;
        if (x >= box.x0 && x < box.x1 && y >= box.y0 && y < box.y1) {
            const bool edge
                = x < box.x0 + border || x >= box.x1 - border || y < box.y0 + border || y >= box.y1 - border;
            return edge ? kBlack : kWhite;
        }
        return backgroundAt(x, y, shape.width, shape.height);
    };
    const uint64_t rowBytes = f.rowBytes();
    const auto solid = [&](bool white, uint32_t y) -> const uint8_t * {
        return m_solidRows == nullptr ? nullptr : m_solidRows.get() + ((white ? 0 : 2) + (y & 1)) * rowBytes;
    };
    uint8_t *frame = m_buffer.get();
    for (uint32_t y = box.y0; y < box.y1; ++y) {
        if (y < box.y0 + border || y >= box.y1 - border) {
            fillRun(f, frame, solid(false, y), y, box.x0, box.x1, colourAt);
            continue;
        }
        fillRun(f, frame, solid(false, y), y, box.x0, box.x0 + border, colourAt);
        fillRun(f, frame, solid(true, y), y, box.x0 + border, box.x1 - border, colourAt);
        fillRun(f, frame, solid(false, y), y, box.x1 - border, box.x1, colourAt);
    }
    // The plate in runs of one cell, on top of the box.
    for (uint32_t y = plate.y0; y < plate.y1; ++y) {
        const uint32_t row = (y - plate.y0) / cell;
        for (uint64_t column = 0; plate.x0 + column * cell < plate.x1; ++column) {
            const uint32_t x0 = static_cast<uint32_t>(plate.x0 + column * cell);
            const uint32_t x1 = static_cast<uint32_t>(std::min<uint64_t>(x0 + uint64_t(cell), plate.x1));
            const bool white = lit(column, row);
            fillRun(f, frame, solid(white, y), y, x0, x1, colourAt);
        }
    }
    m_drawn = overlay;
    m_dirty = true;
    return m_buffer.get();
}

} // namespace detail
} // namespace VxSim
