#include "framepattern.h"

#include "barspattern.h"
#include "pixellayout.h"

#include <QString>

#include <cstdlib>
#include <cstring>

namespace VxSim {
namespace detail {

void FramePattern::FreeDeleter::operator()(uint8_t *p) const
{
    std::free(p);
}

FramePattern::FramePattern(PatternKind kind, const FrameShape &shape)
    : m_kind(kind)
    , m_shape(shape)
{
    const std::size_t bytes = shape.bytes;
    if (kind == PatternKind::None) {
        m_buffer.reset(static_cast<uint8_t *>(std::calloc(bytes == 0 ? 1 : bytes, 1)));
        return;
    }
    if (kind == PatternKind::Bars) {
        auto *buffer = static_cast<uint8_t *>(std::malloc(bytes == 0 ? 1 : bytes));
        if (buffer != nullptr)
            drawBarsBackground(shape, buffer);
        m_buffer.reset(buffer);
        return;
    }
    const PixelLayout layout = pixelLayout(QString::fromStdString(shape.pixelFormat));
    const bool samples = layout.packing == PixelLayout::Packing::Bytes && layout.bitsPerPixel == 16
        && layout.depth < 16 && layout.kind != PixelLayout::Kind::Yuv422;
    m_step = samples ? 2 : 1;
    m_period = samples ? 2u << layout.depth : 256u;
    const std::size_t size = bytes + m_period;
    auto *buffer = static_cast<uint8_t *>(std::malloc(size));
    if (buffer == nullptr)
        return;
    // One period, then doubling copies of what is written so far.
    for (uint32_t i = 0; i < m_period; i += m_step) {
        const uint32_t value = samples ? i / 2 : i;
        buffer[i] = static_cast<uint8_t>(value & 0xFF);
        if (samples)
            buffer[i + 1] = static_cast<uint8_t>(value >> 8);
    }
    for (std::size_t done = m_period; done < size;) {
        const std::size_t chunk = done < size - done ? done : size - done;
        std::memcpy(buffer + done, buffer, chunk);
        done += chunk;
    }
    m_buffer.reset(buffer);
}

const uint8_t *FramePattern::frame(uint64_t sequence) const
{
    if (m_kind != PatternKind::Ramp)
        return m_buffer.get();
    return m_buffer.get() + (sequence * m_step) % m_period;
}

} // namespace detail
} // namespace VxSim
