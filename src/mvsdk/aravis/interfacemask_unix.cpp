// The interface mask from getifaddrs().
#include "interfacemask.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

namespace Mvsdk {
namespace aravis {

std::string interfaceMask(const std::string &local)
{
    const std::optional<uint32_t> wanted = parseIpv4(local);
    if (!wanted)
        return {};
    ifaddrs *all = nullptr;
    if (getifaddrs(&all) != 0)
        return {};
    std::string mask;
    for (const ifaddrs *entry = all; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_netmask == nullptr
            || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const auto *address = reinterpret_cast<const sockaddr_in *>(entry->ifa_addr);
        if (ntohl(address->sin_addr.s_addr) == *wanted) {
            mask = dottedIpv4(
                ntohl(reinterpret_cast<const sockaddr_in *>(entry->ifa_netmask)->sin_addr.s_addr));
            break;
        }
    }
    freeifaddrs(all);
    return mask;
}

} // namespace aravis
} // namespace Mvsdk
