// waitFor: polls a condition until it holds or a generous timeout passes.
#ifndef VXCAM_TESTS_WAITFOR_H
#define VXCAM_TESTS_WAITFOR_H

#include <chrono>
#include <functional>

// True as soon as `condition` holds; false after `timeout` (default 10 s,
// generous for a loaded 2-core machine; never used to measure speed).
bool waitFor(const std::function<bool()> &condition,
             std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));

#endif // VXCAM_TESTS_WAITFOR_H
