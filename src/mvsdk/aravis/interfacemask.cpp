#include "interfacemask.h"

#include <cstdio>

namespace Mvsdk {
namespace aravis {

std::string dottedIpv4(uint32_t hostOrder)
{
    char text[16] = {};
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (hostOrder >> 24) & 0xFFu, (hostOrder >> 16) & 0xFFu,
                  (hostOrder >> 8) & 0xFFu, hostOrder & 0xFFu);
    return text;
}

std::optional<uint32_t> parseIpv4(const std::string &text)
{
    unsigned parts[4] = {};
    char tail = 0;
    if (std::sscanf(text.c_str(), "%3u.%3u.%3u.%3u%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail)
        != 4)
        return std::nullopt;
    uint32_t value = 0;
    for (unsigned part : parts) {
        if (part > 255)
            return std::nullopt;
        value = (value << 8) | part;
    }
    return value;
}

} // namespace aravis
} // namespace Mvsdk
