#include "callbackqueue.h"

#include <chrono>

namespace enginecore {

CallbackQueue::CallbackQueue(Handler handle, std::function<void()> wake)
    : m_handle(std::move(handle)), m_wake(std::move(wake))
{
}

void CallbackQueue::push(int type, const QByteArray &payload)
{
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        m_callbacks.push_back({type, payload});
        wake = !std::exchange(m_drainScheduled, true);
    }
    m_arrived.notify_all();
    if (wake && m_wake)
        m_wake();
}

void CallbackQueue::drain()
{
    std::deque<Callback> batch;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_callbacks);
        m_drainScheduled = false;
    }
    for (const Callback &callback : batch)
        m_handle(callback);
}

bool CallbackQueue::waitFor(const std::function<bool(const Callback &)> &accept, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock lock(m_mutex);
    for (;;) {
        while (!m_callbacks.empty()) {
            const Callback callback = std::move(m_callbacks.front());
            m_callbacks.pop_front();
            lock.unlock();
            m_handle(callback);
            if (accept(callback))
                return true;
            lock.lock();
        }
        if (m_arrived.wait_until(lock, deadline) == std::cv_status::timeout && m_callbacks.empty())
            return false;
    }
}

void CallbackQueue::clear()
{
    std::lock_guard lock(m_mutex);
    m_callbacks.clear();
}

} // namespace enginecore
