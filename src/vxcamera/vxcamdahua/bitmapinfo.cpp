#include "bitmapinfo.h"

#include <cstring>

void initGreyBitmapInfo(VxBitmapInfo &info)
{
    std::memset(&info, 0, sizeof(info));
    info.header.size = sizeof(VxBitmapInfoHeader);
    info.header.width = 5120;
    info.header.height = 5120;
    info.header.planes = 1;
    info.header.bitCount = 8;
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<quint8>(i);
        info.colors[i] = VxRgbQuad {level, level, level, 0};
    }
}
