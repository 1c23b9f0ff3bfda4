#pragma once

#include <QString>

namespace platform {
class ProcessLauncher;
}

namespace about {

// The help pages of the demonstration site, opened in the system's web browser.
QString helpCommandLine(const QString &serverBase, const QString &path);
void openHelpPage(platform::ProcessLauncher &launcher, const QString &serverBase,
                  const QString &path);

} // namespace about
