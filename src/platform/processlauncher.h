#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Window-show states a launched program may be given.
enum ShowState { vbHide = 0, vbNormalFocus = 1, vbMinimizedFocus = 2 };

struct ShellCommand
{
    QString program;
    QStringList arguments;
};

// Splits a command line at spaces and maps the system's file shell "explorer" to the desktop's
// URL opener. Nothing in the line is interpreted by a shell.
ShellCommand parseShellCommand(const QString &commandLine);

// Starts a program from a command line without waiting for it; returns the started task's id.
class ProcessLauncher
{
public:
    virtual ~ProcessLauncher() = default;
    virtual qint64 Shell(const QString &commandLine, int showState) = 0;
};

class SystemProcessLauncher : public ProcessLauncher
{
public:
    qint64 Shell(const QString &commandLine, int showState) override;
};

} // namespace platform
