#include "diagnostics.h"

#include <cstdio>
#include <mutex>

namespace VxSim {
namespace detail {

void reportProblem(const QString &message)
{
    static std::mutex mutex;
    QString text = message;
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray line = QByteArrayLiteral("virtual cameras: ") + text.toLocal8Bit() + '\n';
    std::lock_guard<std::mutex> lock(mutex);
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
}

} // namespace detail
} // namespace VxSim
