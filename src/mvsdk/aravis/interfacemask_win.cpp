// The interface mask from GetAdaptersAddresses(): each unicast address
// carries its on-link prefix length.
#include "interfacemask.h"

// winsock2.h before anything that includes windows.h.
#include <winsock2.h>

#include <iphlpapi.h>
#include <ws2tcpip.h>

#include <vector>

namespace Mvsdk {
namespace aravis {

std::string interfaceMask(const std::string &local)
{
    const std::optional<uint32_t> wanted = parseIpv4(local);
    if (!wanted)
        return {};
    // The list's size is not known ahead; ask again while it grows.
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = GetAdaptersAddresses(
            AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER, nullptr,
            reinterpret_cast<IP_ADAPTER_ADDRESSES *>(buffer.data()), &size);
    }
    if (result != NO_ERROR)
        return {};
    for (auto *adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES *>(buffer.data()); adapter != nullptr;
         adapter = adapter->Next) {
        for (const IP_ADAPTER_UNICAST_ADDRESS *unicast = adapter->FirstUnicastAddress; unicast != nullptr;
             unicast = unicast->Next) {
            const SOCKADDR *address = unicast->Address.lpSockaddr;
            if (address == nullptr || address->sa_family != AF_INET)
                continue;
            if (ntohl(reinterpret_cast<const sockaddr_in *>(address)->sin_addr.s_addr) != *wanted)
                continue;
            const unsigned bits = unicast->OnLinkPrefixLength;
            return dottedIpv4(bits == 0 ? 0u : bits >= 32 ? 0xFFFFFFFFu : 0xFFFFFFFFu << (32 - bits));
        }
    }
    return {};
}

} // namespace aravis
} // namespace Mvsdk
