#include "processlauncher.h"

#include "automation/automationerror.h"

#include <QLoggingCategory>
#include <QProcess>

Q_LOGGING_CATEGORY(lcLauncher, "quillary.platform.launcher")

namespace platform {

ShellCommand parseShellCommand(const QString &commandLine)
{
    QStringList parts = commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ShellCommand command;
    if (parts.isEmpty())
        return command;
    command.program = parts.takeFirst();
    command.arguments = parts;
    if (command.program.compare(QLatin1String("explorer"), Qt::CaseInsensitive) == 0 ||
        command.program.compare(QLatin1String("explorer.exe"), Qt::CaseInsensitive) == 0)
        command.program = QStringLiteral("xdg-open");
    return command;
}

qint64 SystemProcessLauncher::Shell(const QString &commandLine, int /*showState*/)
{
    // Desktops on Linux give a launched browser no show state; it opens as it normally does.
    const ShellCommand command = parseShellCommand(commandLine);
    qint64 pid = 0;
    if (command.program.isEmpty() ||
        !QProcess::startDetached(command.program, command.arguments, QString(), &pid)) {
        qCWarning(lcLauncher) << "cannot start" << command.program << "for" << commandLine;
        throw automation::AutomationError(53, "文件未找到：" + command.program.toStdString());
    }
    return pid;
}

} // namespace platform
