// Colour from the 8-bit Bayer mosaic of a colour camera.
#ifndef VXCAM_DEMOSAIC_H
#define VXCAM_DEMOSAIC_H

#include <QByteArray>
#include <QImage>

// The colours of the top-left 2x2 cell, row by row: RG means red at (0, 0),
// green at (1, 0) and (0, 1), blue at (1, 1).
enum class BayerOrder { None, RG, GB, GR, BG };

// The order of an 8-bit Bayer pixel-format symbol ("BayerRG8", ...); None for
// every other symbol.
BayerOrder bayerOrderOf(const QByteArray &pixelFormat);

// Bilinear demosaic of width x height bytes: each colour a pixel lacks is the
// mean of that colour's pixels among its eight neighbours (edges use the
// neighbours inside the frame).
QImage demosaic(const uchar *mosaic, int width, int height, BayerOrder order);

#endif // VXCAM_DEMOSAIC_H
