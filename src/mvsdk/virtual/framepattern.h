// FramePattern: the bytes of the frames a stream source hands out.
//
// Ramp: byte i of frame s is (i + s) mod 256. One buffer of size + 256 bytes
// holds 0, 1, 2, ...; frame s starts at offset s mod 256, so no frame is ever
// filled or copied. None: one zeroed buffer, allocated lazily so that a huge
// frame costs only address space until it is read.
#ifndef MVSDK_VIRTUAL_FRAMEPATTERN_H
#define MVSDK_VIRTUAL_FRAMEPATTERN_H

#include <cstdint>
#include <memory>

namespace VxSim {
namespace detail {

class FramePattern {
public:
    FramePattern() = default;

    // Makes the buffer fit frames of `bytes` bytes; keeps it when it already does.
    // False when the memory cannot be had.
    bool prepare(uint32_t bytes, bool zero);
    // Bytes of frame `sequence`; valid until the next prepare().
    const uint8_t *frame(uint64_t sequence) const;
    uint32_t bytes() const { return m_bytes; }

private:
    struct FreeDeleter {
        void operator()(uint8_t *p) const;
    };
    std::unique_ptr<uint8_t, FreeDeleter> m_buffer;
    uint32_t m_bytes = 0;
    bool m_zero = false;
    bool m_ready = false;
};

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_FRAMEPATTERN_H
