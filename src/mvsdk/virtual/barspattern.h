// The colour-bars pattern: eight bars (white, yellow, cyan, green, magenta,
// red, blue, black) over the top three quarters of the frame, a grey ramp from
// black to white below them, a box (white, black border) moving across the
// frame and the frame number, white on a black plate at the top left; all in
// the camera's pixel format: mosaicked for Bayer, grey (luma) for mono, bytes
// in the format's order for RGB and BGR, values scaled to the format's depth.
//
// The bars are drawn once per frame shape (drawBarsBackground, held by the
// camera's FramePattern). Each stream keeps a BarsCanvas: a frame buffer of its
// own, filled from the background once, on which every frame puts back what
// the last one covered and draws the box and the number anew. Nothing is
// allocated per frame.
//
// A frame whose size was fixed apart from its geometry carries the pattern as
// far as it reaches, and zeros beyond.
#ifndef MVSDK_VIRTUAL_BARSPATTERN_H
#define MVSDK_VIRTUAL_BARSPATTERN_H

#include "framepattern.h"
#include "pixellayout.h"

#include <cstdint>
#include <memory>

namespace VxSim {
namespace detail {

// Fills `frame` (shape.bytes) with the background of the bars pattern.
void drawBarsBackground(const FrameShape &shape, uint8_t *frame);

// Where the box and the number of frame `sequence` lie, in pixels.
struct BarsOverlay {
    struct Rect {
        uint32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0; // x1, y1 exclusive
    };
    Rect box;
    Rect plate;
    static BarsOverlay of(uint32_t width, uint32_t height, uint64_t sequence);
};

class BarsCanvas {
public:
    BarsCanvas();
    ~BarsCanvas();

    // Takes this background; allocates the frame buffer when the pattern is a
    // new one. False when the memory could not be had.
    bool prepare(const std::shared_ptr<const FramePattern> &pattern);
    // Frame `sequence` drawn; valid until the next call.
    const uint8_t *draw(uint64_t sequence);

private:
    struct FreeDeleter {
        void operator()(uint8_t *p) const;
    };
    void restore(const BarsOverlay::Rect &rect);

    std::shared_ptr<const FramePattern> m_pattern;
    std::unique_ptr<uint8_t, FreeDeleter> m_buffer;
    // Rows of white and of black for even and odd rows; null when rows do
    // not start on whole bytes.
    std::unique_ptr<uint8_t, FreeDeleter> m_solidRows;
    PixelLayout m_layout;
    BarsOverlay m_drawn;
    bool m_dirty = false;
};

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_BARSPATTERN_H
