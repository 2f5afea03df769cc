// FramePattern: what frames of one shape (size, geometry, pixel format) show,
// made once.
//
// Ramp: in formats whose samples are 10, 12 or 14 bits in two bytes, sample j
// of frame s is (j + s) mod 2^depth (little-endian); in every other format
// byte i of frame s is (i + s) mod 256. One buffer holds the ramp with one
// period more than a frame, and frame s starts s steps into it, so no frame is
// ever filled or copied.
// None: one zeroed buffer from calloc, so that a huge frame costs only address
// space until it is read.
// Bars: the colour bars without the box and the frame number, which each
// stream draws into a frame buffer of its own (BarsCanvas).
//
// Immutable once made, so any number of threads read it; a camera shares one
// among its stream sources (VirtualCamera::framePattern), and each grabbing
// thread holds it while its handlers run.
#ifndef MVSDK_VIRTUAL_FRAMEPATTERN_H
#define MVSDK_VIRTUAL_FRAMEPATTERN_H

#include "configreader.h"

#include <cstdint>
#include <memory>
#include <string>

namespace VxSim {
namespace detail {

// What the next frame of a camera looks like.
struct FrameShape {
    uint32_t bytes = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    std::string pixelFormat;

    bool operator==(const FrameShape &) const = default;
};

class FramePattern {
public:
    FramePattern(PatternKind kind, const FrameShape &shape);

    // False when the memory could not be had.
    bool valid() const { return m_buffer != nullptr; }
    PatternKind kind() const { return m_kind; }
    const FrameShape &shape() const { return m_shape; }
    // Ramp and none: the bytes of frame `sequence`; bars: the background.
    // Valid as long as this object.
    const uint8_t *frame(uint64_t sequence) const;

private:
    struct FreeDeleter {
        void operator()(uint8_t *p) const;
    };
    std::unique_ptr<uint8_t, FreeDeleter> m_buffer;
    PatternKind m_kind;
    FrameShape m_shape;
    // Ramp: frame s starts at (s × m_step) mod m_period.
    uint32_t m_period = 0;
    uint32_t m_step = 0;
};

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_FRAMEPATTERN_H
