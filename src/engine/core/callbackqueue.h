#pragma once

#include <QByteArray>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace enginecore {

struct Callback
{
    int type = 0; // LOK_CALLBACK_*
    QByteArray payload;
};

// LibreOffice calls back on threads of its own; the queue hands the callbacks to the engine's
// main thread in the order they came.
class CallbackQueue
{
public:
    using Handler = std::function<void(const Callback &)>;

    // handle runs on the main thread for every callback. wake runs on the pushing thread when
    // callbacks wait and no drain is scheduled: its owner schedules drain() on the main thread.
    CallbackQueue(Handler handle, std::function<void()> wake);

    // Any thread.
    void push(int type, const QByteArray &payload);

    // Main thread: handles every callback queued so far.
    void drain();
    // Main thread: handles callbacks as they come until accept takes one; false when none did
    // within timeoutMs.
    bool waitFor(const std::function<bool(const Callback &)> &accept, int timeoutMs);
    // Main thread: drops what is queued (callbacks of a document that is gone).
    void clear();

private:
    Handler m_handle;
    std::function<void()> m_wake;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<Callback> m_callbacks;
    bool m_drainScheduled = false;
};

} // namespace enginecore
