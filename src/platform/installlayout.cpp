#include "installlayout.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {
const QString moduleFileName = QStringLiteral("libquillary-browser.so");
}

QString browserModulePath(const QString &executableDir)
{
    return browserModulePath(executableDir, QStringLiteral(QUILLARY_MODULE_DIR_FROM_BINDIR));
}

QString browserModulePath(const QString &executableDir, const QString &moduleDirFromExecutable)
{
    const QDir dir(executableDir);
    const QString installed =
        QDir::cleanPath(dir.filePath(moduleDirFromExecutable + QLatin1Char('/') + moduleFileName));
    if (QFileInfo::exists(installed))
        return installed;
    return dir.filePath(moduleFileName);
}

} // namespace platform
