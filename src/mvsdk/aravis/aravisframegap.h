// The frames missing between two frames that arrived, from their frame ids.
#ifndef MVSDK_ARAVIS_ARAVISFRAMEGAP_H
#define MVSDK_ARAVIS_ARAVISFRAMEGAP_H

#include <cstdint>

namespace Mvsdk {
namespace aravis {

// Frames between two frame ids that never reached a buffer, however many:
// 0 when either id is unknown (0). Ids of GigE Vision's 16-bit block counter
// wrap from 65535 to 1; a step back from the counter's lower half, or from
// beyond 16 bits, is a camera that began counting afresh.
inline uint64_t framesBetween(uint64_t last, uint64_t id)
{
    if (last == 0 || id == 0)
        return 0;
    if (id > last)
        return id - last - 1;
    if (id < last && last >= 0x8000 && last <= 0xFFFF)
        return (0xFFFF - last) + (id - 1);
    return 0;
}

} // namespace aravis
} // namespace Mvsdk

#endif // MVSDK_ARAVIS_ARAVISFRAMEGAP_H
