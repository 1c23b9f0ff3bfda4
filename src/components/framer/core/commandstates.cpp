#include "core/commandstates.h"

namespace framer {

CommandState commandStateFrom(const QString &value)
{
    if (value == QLatin1String("disabled"))
        return {false, false, {}};
    if (value == QLatin1String("enabled") || value == QLatin1String("false"))
        return {true, false, {}};
    if (value == QLatin1String("true"))
        return {true, true, {}};
    return {true, false, value};
}

bool CommandStates::apply(const QString &command, const QString &value)
{
    const CommandState state = commandStateFrom(value);
    auto it = m_states.find(command);
    if (it != m_states.end() && *it == state)
        return false;
    m_states.insert(command, state);
    return true;
}

} // namespace framer
