#include "helplinks.h"

#include "processlauncher.h"

namespace about {

QString helpCommandLine(const QString &serverBase, const QString &path)
{
    return QStringLiteral("explorer ") + serverBase + path;
}

void openHelpPage(platform::ProcessLauncher &launcher, const QString &serverBase,
                  const QString &path)
{
    launcher.Shell(helpCommandLine(serverBase, path), platform::vbMinimizedFocus);
}

} // namespace about
