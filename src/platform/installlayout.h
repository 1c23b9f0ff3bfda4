#pragma once

#include <QString>

namespace platform {

// Where the browser module lies, seen from the folder of the running executable. An installed
// program keeps it in its private library folder (<exe dir>/../<libdir>/quillary/), so a moved
// install tree still finds it; a build tree keeps it beside the executable.
QString browserModulePath(const QString &executableDir);

// The same, with the private library folder given relative to the executable's folder.
QString browserModulePath(const QString &executableDir, const QString &moduleDirFromExecutable);

} // namespace platform
