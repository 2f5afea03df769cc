// The reaper: teardowns of Aravis objects that must not run where they are
// released: streams released from inside their own callback, where Aravis
// cannot join its thread, and a lost camera's objects, whose release waits
// out register time-outs. Each teardown runs on a thread of its own, so that
// one camera's slow release never holds up another's, nor the process exit
// by more than the slowest of them.
#include "aravisreaper.h"
#include "aravisstream.h"

#include <chrono>
#include <list>
#include <mutex>
#include <thread>

namespace Mvsdk {
namespace aravis {

namespace {

class Reaper {
public:
    // At process exit: the teardowns still running finish first, so that
    // Aravis's objects are released whole rather than cut off mid-release.
    ~Reaper()
    {
        for (;;) {
            std::list<Job> jobs;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                jobs.swap(m_jobs);
            }
            if (jobs.empty())
                return;
            // A teardown may hand over another one.
            for (Job &job : jobs)
                job.thread.join();
        }
    }

    std::shared_future<void> push(std::function<void()> teardown)
    {
        std::promise<void> promise;
        std::shared_future<void> done = promise.get_future().share();
        std::list<Job> finished;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            // Threads of teardowns that have run are joined as new ones come.
            for (auto it = m_jobs.begin(); it != m_jobs.end();) {
                const auto next = std::next(it);
                if (it->done.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
                    finished.splice(finished.end(), m_jobs, it);
                it = next;
            }
            m_jobs.push_back(
                {done, std::thread([teardown = std::move(teardown), promise = std::move(promise)]() mutable {
                     teardown();
                     teardown = nullptr; // what it held goes before its waiters go on
                     promise.set_value();
                 })});
        }
        for (Job &job : finished)
            job.thread.join();
        return done;
    }

private:
    struct Job {
        std::shared_future<void> done;
        std::thread thread;
    };

    std::mutex m_mutex;
    std::list<Job> m_jobs;
};

Reaper &reaper()
{
    static Reaper instance;
    return instance;
}

} // namespace

std::shared_future<void> reapStream(std::shared_ptr<AravisStreamState> state)
{
    // Waits for the callback that released it.
    return reaper().push([state = std::move(state)] { tearDownStream(*state); });
}

std::shared_future<void> tearDownLater(std::function<void()> teardown)
{
    return reaper().push(std::move(teardown));
}

} // namespace aravis
} // namespace Mvsdk
