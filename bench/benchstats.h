// Order statistics shared by the benchmarks: medians of interleaved rounds,
// percentiles of latency samples.
#ifndef VXCAM_BENCH_BENCHSTATS_H
#define VXCAM_BENCH_BENCHSTATS_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace benchstats {

// The value below which a fraction q (0 … 1) of the samples lie: the sample
// at rank ceil(q · n) (nearest rank), so p100 is the largest sample.
inline double percentile(std::vector<double> values, double q)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(q * double(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

inline double lowest(const std::vector<double> &values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

inline double highest(const std::vector<double> &values)
{
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

} // namespace benchstats

#endif // VXCAM_BENCH_BENCHSTATS_H
