// The 1064-byte bitmap information block that every frame dump carries:
// a 40-byte BITMAPINFOHEADER followed by a 256-entry grey colour table.
#ifndef VXCAMDAHUA_BITMAPINFO_H
#define VXCAMDAHUA_BITMAPINFO_H

#include <QtGlobal>

#pragma pack(push, 1)
struct VxBitmapInfoHeader {
    quint32 size;
    qint32 width;
    qint32 height;
    quint16 planes;
    quint16 bitCount;
    quint32 compression;
    quint32 sizeImage;
    qint32 xPelsPerMeter;
    qint32 yPelsPerMeter;
    quint32 clrUsed;
    quint32 clrImportant;
};

struct VxRgbQuad {
    quint8 blue;
    quint8 green;
    quint8 red;
    quint8 reserved;
};

struct VxBitmapInfo {
    VxBitmapInfoHeader header;
    VxRgbQuad colors[256];
};
#pragma pack(pop)

static_assert(sizeof(VxBitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(VxBitmapInfo) == 1064, "bitmap information block is 1064 bytes");

// Clears the block, then fills a 5120 x 5120, 8-bit header and a grey palette.
void initGreyBitmapInfo(VxBitmapInfo &info);

#endif // VXCAMDAHUA_BITMAPINFO_H
