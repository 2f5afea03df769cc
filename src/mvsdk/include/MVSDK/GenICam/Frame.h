// CFrame: one frame as the stream source hands it to a frame handler.
#ifndef MVSDK_GENICAM_FRAME_H
#define MVSDK_GENICAM_FRAME_H

#include <cstdint>

namespace Dahua {
namespace GenICam {

// A view of one frame. The bytes belong to the stream source and stay valid
// only until the frame handler that received the frame returns.
class CFrame {
public:
    CFrame(const void *image, uint32_t imageSize, uint32_t width, uint32_t height, uint64_t blockId,
           const char *pixelFormat)
        : m_image(image)
        , m_imageSize(imageSize)
        , m_width(width)
        , m_height(height)
        , m_blockId(blockId)
        , m_pixelFormat(pixelFormat)
    {
    }

    bool valid() const { return m_image != nullptr || m_imageSize == 0; }
    const void *getImage() const { return m_image; }
    uint32_t getImageSize() const { return m_imageSize; }
    uint32_t getImageWidth() const { return m_width; }
    uint32_t getImageHeight() const { return m_height; }
    // Sequence number of the frame within its stream source, from 1.
    uint64_t getBlockId() const { return m_blockId; }
    const char *getImagePixelFormat() const { return m_pixelFormat; }

private:
    const void *m_image;
    uint32_t m_imageSize;
    uint32_t m_width;
    uint32_t m_height;
    uint64_t m_blockId;
    const char *m_pixelFormat;
};

} // namespace GenICam
} // namespace Dahua

#endif // MVSDK_GENICAM_FRAME_H
