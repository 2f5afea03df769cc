// The network mask of the local interface that holds an IPv4 address: the
// host side of a GigE Vision link. The lookup asks the operating system for
// its adapters, so it sits in per-platform files (interfacemask_unix.cpp,
// interfacemask_win.cpp); the formatting is shared.
#ifndef MVSDK_ARAVIS_INTERFACEMASK_H
#define MVSDK_ARAVIS_INTERFACEMASK_H

#include <cstdint>
#include <optional>
#include <string>

namespace Mvsdk {
namespace aravis {

// "a.b.c.d" of an address or mask in host byte order.
std::string dottedIpv4(uint32_t hostOrder);

// The address of "a.b.c.d" in host byte order; nothing for any other text.
std::optional<uint32_t> parseIpv4(const std::string &text);

// The mask, dotted, of the interface that holds `local` ("a.b.c.d"); empty
// when no interface holds it or the system cannot tell.
std::string interfaceMask(const std::string &local);

} // namespace aravis
} // namespace Mvsdk

#endif // MVSDK_ARAVIS_INTERFACEMASK_H
