// Teardowns of Aravis objects that must not run where they are released.
#ifndef MVSDK_ARAVIS_ARAVISREAPER_H
#define MVSDK_ARAVIS_ARAVISREAPER_H

#include <functional>
#include <future>

namespace Mvsdk {
namespace aravis {

// Runs the teardown of a lost camera's Aravis objects on a thread of its own,
// so that the release returns at once: Aravis still talks to the
// camera while it releases them (a stream channel reset, the release of
// control access) and waits out each register time-out, about 2.5 s apiece,
// for a camera that no longer answers. The process lets every teardown
// finish when it exits. The future is ready once the teardown has run.
std::shared_future<void> tearDownLater(std::function<void()> teardown);

} // namespace aravis
} // namespace Mvsdk

#endif // MVSDK_ARAVIS_ARAVISREAPER_H
