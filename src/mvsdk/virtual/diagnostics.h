// Problems of the virtual camera system itself (a configuration it cannot
// use, memory it cannot get): one line each on standard error, as a vendor
// library reports them. They never go through the host's Qt message handler,
// so they cannot mix with the log lines of the drivers above.
#ifndef MVSDK_VIRTUAL_DIAGNOSTICS_H
#define MVSDK_VIRTUAL_DIAGNOSTICS_H

#include <QString>

namespace VxSim {
namespace detail {

// Writes "virtual cameras: <message>" as one line; line breaks inside the
// message become spaces. Safe from any thread.
void reportProblem(const QString &message);

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_DIAGNOSTICS_H
