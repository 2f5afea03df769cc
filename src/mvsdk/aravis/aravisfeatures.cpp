#include "aravisfeatures.h"

#include <utility>

namespace Mvsdk {
namespace aravis {

namespace {

struct Alias {
    const char *surface;
    const char *camera;
};

// Older or vendor names of the standard features, tried after the surface's.
const Alias kFeatureAliases[] = {
    {"ExposureTime", "ExposureTimeAbs"},
    {"ExposureTime", "ExposureTimeRaw"},
    {"Gain", "GainRaw"},
    {"Gain", "GainAbs"},
    {"ReverseX", "MirrorX"},
    {"ReverseY", "MirrorY"},
    {"Brightness", "BlackLevel"},
    {"Brightness", "BlackLevelRaw"},
};

// Pixel formats whose surface symbol differs from today's GenICam names.
const Alias kPixelFormats[] = {
    {"RGB8Packed", "RGB8"},
    {"BGR8Packed", "BGR8"},
    {"RGBA8Packed", "RGBa8"},
    {"BGRA8Packed", "BGRa8"},
    {"YUV422Packed", "YUV422_8_UYVY"},
};

} // namespace

std::vector<std::string> genicamNames(const std::string &surfaceName)
{
    std::vector<std::string> names {surfaceName};
    for (const Alias &alias : kFeatureAliases) {
        if (surfaceName == alias.surface)
            names.emplace_back(alias.camera);
    }
    return names;
}

std::string surfacePixelFormat(const std::string &cameraSymbol)
{
    for (const Alias &alias : kPixelFormats) {
        if (cameraSymbol == alias.camera)
            return alias.surface;
    }
    return cameraSymbol;
}

std::vector<std::string> cameraPixelFormats(const std::string &surfaceSymbol)
{
    std::vector<std::string> symbols {surfaceSymbol};
    for (const Alias &alias : kPixelFormats) {
        if (surfaceSymbol == alias.surface)
            symbols.emplace_back(alias.camera);
    }
    return symbols;
}

} // namespace aravis
} // namespace Mvsdk
