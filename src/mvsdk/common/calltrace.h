// CallTrace: one line per SDK operation, appended to a file and flushed at
// once. Off unless a file is set. Every back end writes the same lines, so a
// trace shows what the drivers did whichever cameras they drive. Safe from
// any thread.
#ifndef MVSDK_COMMON_CALLTRACE_H
#define MVSDK_COMMON_CALLTRACE_H

#include <QString>

namespace Mvsdk {
namespace detail {

class CallTrace {
public:
    // The file named by VXCAM_SIM_TRACE, once per process; later calls do nothing.
    static void setFromEnvironment();
    // Empty path: tracing off. A file that cannot be opened is one line on
    // standard error, and tracing is off.
    static void setFile(const QString &path);
    // Cheap test for hot paths: build a line only when this is true.
    static bool enabled();
    // Line breaks inside the line are written as \r and \n. Build lines with
    // one multi-argument QString::arg() call (one pass), so that a "%1" inside
    // a key or value is never substituted again.
    static void write(const QString &line);
    // "ok" / "fail" as the trace writes results.
    static QString result(bool ok) { return ok ? QStringLiteral("ok") : QStringLiteral("fail"); }
};

} // namespace detail
} // namespace Mvsdk

#endif // MVSDK_COMMON_CALLTRACE_H
