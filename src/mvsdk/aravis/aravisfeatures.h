// How the surface's feature names and pixel-format symbols meet a real
// camera's GenICam nodes. Plain functions, no Aravis types, no state.
//
// A surface feature is tried under its own name first, then under the older
// names cameras use for it (ExposureTime: ExposureTimeAbs; Gain: GainRaw,
// GainAbs; ...); the first node the camera implements is the one used.
// Pixel-format symbols reach the drivers in the surface's vocabulary, so a
// camera's "RGB8" is handed out as "RGB8Packed" and a write of "RGB8Packed"
// goes to the camera as whichever of the two its enumeration offers.
#ifndef MVSDK_ARAVIS_ARAVISFEATURES_H
#define MVSDK_ARAVIS_ARAVISFEATURES_H

#include <string>
#include <vector>

namespace Mvsdk {
namespace aravis {

// The GenICam names to try for a surface feature, in order (the surface name
// itself first).
std::vector<std::string> genicamNames(const std::string &surfaceName);

// A camera's pixel-format symbol in the surface's vocabulary (unchanged when
// the surface has no other name for it).
std::string surfacePixelFormat(const std::string &cameraSymbol);
// The camera symbols a surface pixel-format symbol may stand for, in order
// (the symbol itself first).
std::vector<std::string> cameraPixelFormats(const std::string &surfaceSymbol);

} // namespace aravis
} // namespace Mvsdk

#endif // MVSDK_ARAVIS_ARAVISFEATURES_H
