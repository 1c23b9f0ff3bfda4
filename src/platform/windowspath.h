#pragma once

#include <QString>

namespace platform {

// The folder that stands in for drive C: $XDG_DATA_HOME/quillary/drive_c by default.
QString defaultDriveCRoot();

// Maps a Windows-style path to a host path. A drive letter c:/C: (or a leading backslash) means the
// drive-C folder; backslashes are separators; repeated separators collapse; ".." never climbs
// above the drive root; a path starting with "/" is a host path. Other drive letters raise an
// AutomationError. Nothing on disk is touched.
QString mapWindowsPath(const QString &path, const QString &driveCRoot);

} // namespace platform
