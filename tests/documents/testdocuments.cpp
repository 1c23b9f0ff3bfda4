#include "testdocuments.h"

#include <QDir>
#include <QFile>

namespace testdocuments {

QString path(const QString &name)
{
    return QStringLiteral(QUILLARY_TEST_DOCUMENTS "/") + name;
}

QByteArray bytes(const QString &name)
{
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString cacheDir()
{
    const QString dir = QStringLiteral(QUILLARY_TEST_CACHE_DIR);
    QDir().mkpath(dir);
    return dir;
}

quint16 linkListenerPort()
{
    return QUILLARY_TEST_LINK_PORT;
}

} // namespace testdocuments
