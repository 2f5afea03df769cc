#include "calltrace.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>
#include <system_error>

namespace Mvsdk {
namespace detail {

namespace {

std::mutex g_traceMutex;
std::FILE *g_traceFile = nullptr;
std::atomic<bool> g_traceEnabled {false};

} // namespace

void CallTrace::setFromEnvironment()
{
    static const bool once = [] {
        const QString trace = qEnvironmentVariable("VXCAM_SIM_TRACE");
        if (!trace.isEmpty())
            setFile(trace);
        return true;
    }();
    (void)once;
}

void CallTrace::setFile(const QString &path)
{
    std::lock_guard<std::mutex> lock(g_traceMutex);
    if (g_traceFile != nullptr) {
        std::fclose(g_traceFile);
        g_traceFile = nullptr;
    }
    if (!path.isEmpty()) {
        g_traceFile = std::fopen(QFile::encodeName(path).constData(), "ab");
        if (g_traceFile == nullptr) {
            // Not through the host's Qt message handler: the library's own set-up problem.
            const std::string reason = std::generic_category().message(errno);
            std::fprintf(stderr, "MVSDKmd: cannot open the trace file \"%s\" (%s); no trace\n",
                         path.toLocal8Bit().constData(), reason.c_str());
            std::fflush(stderr);
        }
    }
    g_traceEnabled.store(g_traceFile != nullptr);
}

bool CallTrace::enabled()
{
    return g_traceEnabled.load(std::memory_order_relaxed);
}

void CallTrace::write(const QString &line)
{
    if (!enabled())
        return;
    // A key or value holding a line break must not split the line.
    QString text = line;
    text.replace(QLatin1Char('\r'), QLatin1String("\\r")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    const QByteArray bytes = text.toUtf8() + '\n';
    std::lock_guard<std::mutex> lock(g_traceMutex);
    if (g_traceFile == nullptr)
        return;
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), g_traceFile);
    std::fflush(g_traceFile);
}

} // namespace detail
} // namespace Mvsdk
