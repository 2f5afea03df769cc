// The reaper: one worker thread for the teardowns of Aravis objects that must
// not run where they are released: streams released from inside their own
// callback, where Aravis cannot join its thread, and a lost camera's objects,
// whose release waits out register time-outs.
#include "aravisreaper.h"
#include "aravisstream.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace Mvsdk {
namespace aravis {

namespace {

// Owns the queue and the worker. The worker runs each teardown without the
// lock; the destructor (at process exit) lets it finish the queue first, so
// that Aravis's objects are released whole rather than cut off mid-release.
class Reaper {
public:
    ~Reaper()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_changed.notify_all();
        if (m_worker.joinable())
            m_worker.join();
    }

    std::shared_future<void> push(std::function<void()> teardown)
    {
        std::packaged_task<void()> task(std::move(teardown));
        std::shared_future<void> done = task.get_future().share();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(std::move(task));
        if (!m_worker.joinable())
            m_worker = std::thread([this] { run(); });
        m_changed.notify_all();
        return done;
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_quit || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            std::packaged_task<void()> teardown = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            teardown();
            teardown = {}; // drops what it held before the lock is taken again
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::packaged_task<void()>> m_queue;
    bool m_quit = false;
    std::thread m_worker;
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
