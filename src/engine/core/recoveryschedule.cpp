#include "recoveryschedule.h"

#include <algorithm>
#include <utility>

namespace enginecore {

void RecoverySchedule::reset()
{
    *this = RecoverySchedule(m_timing);
}

void RecoverySchedule::changed(Change change, Clock::time_point now)
{
    if (m_written == m_changes)
        m_firstUnwritten = now;
    ++m_changes;
    m_lastChange = now;
    m_editWaiting = m_editWaiting || change == Change::Edit;
    if (change == Change::Command && !m_commandAt)
        m_commandAt = now;
}

void RecoverySchedule::written()
{
    m_written = m_changes;
    m_editWaiting = false;
    m_commandAt.reset();
}

void RecoverySchedule::savedInOwnFormat()
{
    m_saved = m_changes;
}

void RecoverySchedule::confirmSaved()
{
    // Changes after that save still need the copy.
    if (m_saved)
        m_confirmed = *std::exchange(m_saved, std::nullopt);
}

std::optional<RecoverySchedule::Clock::time_point> RecoverySchedule::due() const
{
    if (!needsCopy() || m_written == m_changes)
        return std::nullopt;
    Clock::time_point when = m_editWaiting ? m_lastChange
                                           : std::min(m_lastChange + m_timing.pause,
                                                      m_firstUnwritten + m_timing.longest);
    // Typing after a command does not put its copy off.
    if (m_commandAt)
        when = std::min(when, *m_commandAt + m_timing.command);
    return std::max(when, m_retryAt);
}

} // namespace enginecore
