#pragma once

#include <QHash>
#include <QString>

// The states LibreOffice reports for its .uno: commands ("enabled", "true", a font's name),
// kept for the controls that follow them.
namespace framer {

struct CommandState
{
    bool enabled = true;
    bool checked = false;
    // What the command's value is now: a font's name, a size, a colour number; empty for
    // commands that are only on or off.
    QString value;

    bool operator==(const CommandState &other) const = default;
};

// The state a reported value means: "enabled"/"disabled" say whether the command can run,
// "true"/"false" whether it is on, anything else is its value.
CommandState commandStateFrom(const QString &value);

class CommandStates
{
public:
    // False when the command's state did not change.
    bool apply(const QString &command, const QString &value);
    // What is known of command; enabled and off until LibreOffice says otherwise.
    CommandState state(const QString &command) const { return m_states.value(command); }
    void clear() { m_states.clear(); }

private:
    QHash<QString, CommandState> m_states;
};

} // namespace framer
