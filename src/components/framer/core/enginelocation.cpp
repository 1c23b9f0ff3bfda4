#include "core/enginelocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace framer {

QString installedEnginePath()
{
    Dl_info library{};
    if (dladdr(reinterpret_cast<void *>(&installedEnginePath), &library) && library.dli_fname) {
        const QString folder = QFileInfo(QFile::decodeName(library.dli_fname)).absolutePath();
        const QString installed = QDir::cleanPath(folder + QLatin1Char('/') +
                                                  QStringLiteral(QUILLARY_ENGINE_FROM_LIBRARY));
        if (QFileInfo(installed).isExecutable())
            return installed;
    }
    return QStringLiteral(QUILLARY_ENGINE_IN_BUILD_TREE);
}

} // namespace framer
