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
    m_commandWaiting = m_commandWaiting || change == Change::Command;
}

void RecoverySchedule::written()
{
    m_written = m_changes;
    m_editWaiting = false;
    m_commandWaiting = false;
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
    // A copy holds LibreOffice up while it is written: after a command it waits for a short
    // pause, so that it does not land in the middle of a run of presses.
    const auto pause = m_commandWaiting ? m_timing.command : m_timing.pause;
    const Clock::time_point when =
        m_editWaiting ? m_lastChange
                      : std::min(m_lastChange + pause, m_firstUnwritten + m_timing.longest);
    return std::max(when, m_retryAt);
}

} // namespace enginecore
