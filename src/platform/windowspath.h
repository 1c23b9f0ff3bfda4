#pragma once

#include <QString>

namespace platform {

// The folder that stands in for drive C: $XDG_DATA_HOME/quillary/drive_c by default.
QString defaultDriveCRoot();

// The program's folder as the program's own files see it: the executable's folder while it can
// be written, else the user's stand-in for it ($XDG_DATA_HOME/quillary/program, created on
// demand), as Windows redirects old programs that write beside their executable.
QString programDirectory(const QString &executableDir);
QString programDirectory(const QString &executableDir, const QString &perUserDir);

// Maps a Windows-style path to a host path. A drive letter c:/C: (or a leading backslash) means the
// drive-C folder; backslashes are separators; repeated separators collapse; ".." never climbs
// above the drive root; a path starting with "/" is a host path. Other drive letters raise an
// AutomationError. Nothing on disk is touched.
QString mapWindowsPath(const QString &path, const QString &driveCRoot);

} // namespace platform
