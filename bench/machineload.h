// The machine's load average as /proc/loadavg gives it ("1 / 5 / 15 min"),
// for the reports: the benchmarks run on a shared machine.
#ifndef VXCAM_BENCH_MACHINELOAD_H
#define VXCAM_BENCH_MACHINELOAD_H

#include <cstdio>
#include <string>

inline std::string loadAverage()
{
    double one = 0, five = 0, fifteen = 0;
    std::FILE *file = std::fopen("/proc/loadavg", "r");
    if (file == nullptr)
        return "unknown";
    const int read = std::fscanf(file, "%lf %lf %lf", &one, &five, &fifteen);
    std::fclose(file);
    if (read != 3)
        return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f / %.2f / %.2f (1 / 5 / 15 min)", one, five, fifteen);
    return text;
}

#endif // VXCAM_BENCH_MACHINELOAD_H
