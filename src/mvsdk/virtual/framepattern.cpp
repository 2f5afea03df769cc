#include "framepattern.h"

#include <cstdlib>
#include <cstring>

namespace VxSim {
namespace detail {

void FramePattern::FreeDeleter::operator()(uint8_t *p) const
{
    std::free(p);
}

FramePattern::FramePattern(uint32_t bytes, bool zero)
    : m_bytes(bytes)
    , m_zero(zero)
{
    const std::size_t size = zero ? std::size_t(bytes) : std::size_t(bytes) + 256;
    auto *buffer = static_cast<uint8_t *>(zero ? std::calloc(size == 0 ? 1 : size, 1) : std::malloc(size));
    if (buffer == nullptr)
        return;
    if (!zero) {
        // One 256-byte ramp, then doubling copies of what is written so far.
        for (std::size_t i = 0; i < 256; ++i)
            buffer[i] = static_cast<uint8_t>(i);
        for (std::size_t done = 256; done < size;) {
            const std::size_t chunk = done < size - done ? done : size - done;
            std::memcpy(buffer + done, buffer, chunk);
            done += chunk;
        }
    }
    m_buffer.reset(buffer);
}

const uint8_t *FramePattern::frame(uint64_t sequence) const
{
    if (m_zero)
        return m_buffer.get();
    return m_buffer.get() + (sequence & 0xFF);
}

} // namespace detail
} // namespace VxSim
