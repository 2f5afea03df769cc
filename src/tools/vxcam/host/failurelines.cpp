#include "failurelines.h"

#include <cstdio>

void printFailure(const QString &line)
{
    std::fprintf(stderr, "vxcam: %s\n", qPrintable(line));
    std::fflush(stderr);
}

void FailureLines::add(const QString &line)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.append(line);
}

bool FailureLines::pending() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_lines.isEmpty();
}

void FailureLines::print()
{
    QStringList lines;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        lines.swap(m_lines);
    }
    for (const QString &line : lines)
        printFailure(line);
}
