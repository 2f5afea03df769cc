// Image-format control: geometry, pixel format and mirroring of one camera.
#ifndef MVSDK_GENICAM_IMAGEFORMATCONTROL_H
#define MVSDK_GENICAM_IMAGEFORMATCONTROL_H

#include "MVSDK/GenICam/Nodes.h"

namespace Dahua {
namespace GenICam {

class MVSDK_API IImageFormatControl {
public:
    virtual ~IImageFormatControl();

    virtual CIntNode width() = 0;        // "Width"
    virtual CIntNode height() = 0;       // "Height"
    virtual CIntNode offsetX() = 0;      // "OffsetX"
    virtual CIntNode offsetY() = 0;      // "OffsetY"
    virtual CEnumNode pixelFormat() = 0; // "PixelFormat"
    virtual CBoolNode reverseX() = 0;    // "ReverseX"
    virtual CBoolNode reverseY() = 0;    // "ReverseY"
};

typedef Memory::TSharedPtr<IImageFormatControl> IImageFormatControlPtr;

} // namespace GenICam
} // namespace Dahua

#endif // MVSDK_GENICAM_IMAGEFORMATCONTROL_H
