#include "framepattern.h"

#include <cstdlib>

namespace VxSim {
namespace detail {

void FramePattern::FreeDeleter::operator()(uint8_t *p) const
{
    std::free(p);
}

bool FramePattern::prepare(uint32_t bytes, bool zero)
{
    if (m_ready && bytes == m_bytes && zero == m_zero)
        return true;
    m_buffer.reset();
    m_ready = false;
    const std::size_t size = zero ? std::size_t(bytes) : std::size_t(bytes) + 256;
    auto *buffer = static_cast<uint8_t *>(std::calloc(size == 0 ? 1 : size, 1));
    if (buffer == nullptr)
        return false;
    if (!zero) {
        for (std::size_t i = 0; i < size; ++i)
            buffer[i] = static_cast<uint8_t>(i & 0xFF);
    }
    m_buffer.reset(buffer);
    m_bytes = bytes;
    m_zero = zero;
    m_ready = true;
    return true;
}

const uint8_t *FramePattern::frame(uint64_t sequence) const
{
    if (m_zero)
        return m_buffer.get();
    return m_buffer.get() + (sequence & 0xFF);
}

} // namespace detail
} // namespace VxSim
