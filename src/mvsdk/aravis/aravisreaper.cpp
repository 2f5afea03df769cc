// The reaper: one worker thread that tears down Aravis streams released from
// inside their own callback, where Aravis cannot join its thread.
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
// lock; the destructor (at process exit) lets it finish the queue first.
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

    void push(std::shared_ptr<AravisStreamState> state)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(std::move(state));
        if (!m_worker.joinable())
            m_worker = std::thread([this] { run(); });
        m_changed.notify_all();
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_quit || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            std::shared_ptr<AravisStreamState> state = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            tearDownStream(*state); // waits for the callback that released it
            state.reset();
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::shared_ptr<AravisStreamState>> m_queue;
    bool m_quit = false;
    std::thread m_worker;
};

Reaper &reaper()
{
    static Reaper instance;
    return instance;
}

} // namespace

void reapStream(std::shared_ptr<AravisStreamState> state)
{
    reaper().push(std::move(state));
}

void tearDownDetached(std::function<void()> teardown)
{
    std::thread(std::move(teardown)).detach();
}

} // namespace aravis
} // namespace Mvsdk
