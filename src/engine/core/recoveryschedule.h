#pragma once

#include <chrono>
#include <optional>

namespace enginecore {

struct RecoveryTiming
{
    // Typing counts as paused after this long without a change.
    std::chrono::milliseconds pause{1500};
    // Typing without a pause gets a copy after this long all the same.
    std::chrono::milliseconds longest{8000};
    // A copy that could not be written is tried again after this long.
    std::chrono::milliseconds retry{5000};
    // After a command, a pause this long is enough for a copy; its tiles have been drawn.
    std::chrono::milliseconds command{250};
};

// When the engine writes the loaded document's recovery copy. An editing operation wants a
// copy at once; a command (bold, undo, a table) one after a short pause, once the view has shown
// it; typing one once the user pauses, or after a stretch of typing without a pause, so the copy
// trails the document by a few seconds at most and a write seldom lands mid-word. Changes are
// counted, so a copy or a save covers exactly the changes made before it.
class RecoverySchedule
{
public:
    using Clock = std::chrono::steady_clock;

    enum class Change {
        Edit,    // an editing operation: copied before its reply
        Command, // a command: copied after a short pause, its tiles drawn first
        Input,   // typing and other input: copied once the user pauses
    };

    explicit RecoverySchedule(RecoveryTiming timing = {}) : m_timing(timing) {}

    // A document just loaded or recovered: what it holds counts as kept.
    void reset();
    void changed(Change change, Clock::time_point now);
    // A copy that holds every change so far was written.
    void written();
    // Writing the copy failed: it is tried again later.
    void failed(Clock::time_point now) { m_retryAt = now + m_timing.retry; }
    // The document was saved in its recovery format; the save holds every change so far.
    void savedInOwnFormat();
    // The last such save reached its destination.
    void confirmSaved();

    // Whether the document has changes that no confirmed save holds, so a copy must exist.
    bool needsCopy() const { return m_changes != m_confirmed; }
    // When the next copy is due; nothing while the copy holds every change or none is needed.
    std::optional<Clock::time_point> due() const;

private:
    RecoveryTiming m_timing;
    unsigned long m_changes = 0;
    unsigned long m_written = 0;
    unsigned long m_confirmed = 0;
    std::optional<unsigned long> m_saved;
    bool m_editWaiting = false;
    bool m_commandWaiting = false;
    Clock::time_point m_firstUnwritten;
    Clock::time_point m_lastChange;
    Clock::time_point m_retryAt;
};

} // namespace enginecore
