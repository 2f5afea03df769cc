// FramePattern: the bytes of every frame of one size, made once.
//
// Ramp: byte i of frame s is (i + s) mod 256. One buffer of size + 256 bytes
// holds 0, 1, 2, ...; frame s starts at offset s mod 256, so no frame is ever
// filled or copied. None: one zeroed buffer from calloc, so that a huge frame
// costs only address space until it is read.
//
// Immutable once made, so any number of threads read it; a camera shares one
// among its stream sources (VirtualCamera::framePattern), and each grabbing
// thread holds it while its handlers run.
#ifndef MVSDK_VIRTUAL_FRAMEPATTERN_H
#define MVSDK_VIRTUAL_FRAMEPATTERN_H

#include <cstdint>
#include <memory>

namespace VxSim {
namespace detail {

class FramePattern {
public:
    FramePattern(uint32_t bytes, bool zero);

    // False when the memory could not be had.
    bool valid() const { return m_buffer != nullptr; }
    uint32_t bytes() const { return m_bytes; }
    bool zero() const { return m_zero; }
    // Bytes of frame `sequence`, valid as long as this object.
    const uint8_t *frame(uint64_t sequence) const;

private:
    struct FreeDeleter {
        void operator()(uint8_t *p) const;
    };
    std::unique_ptr<uint8_t, FreeDeleter> m_buffer;
    uint32_t m_bytes;
    bool m_zero;
};

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_FRAMEPATTERN_H
