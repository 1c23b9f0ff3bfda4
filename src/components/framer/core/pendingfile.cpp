#include "core/pendingfile.h"

#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace framer {

PendingFile::PendingFile(const QString &target)
    : m_target(QFileInfo(target).absoluteFilePath()),
      m_temporary(QFileInfo(m_target).absolutePath() + QStringLiteral("/.") +
                  QFileInfo(m_target).fileName() + QStringLiteral(".XXXXXX.part"))
{
}

bool PendingFile::open(QString *error)
{
    if (m_temporary.open())
        return true;
    *error = m_temporary.errorString();
    return false;
}

bool PendingFile::commit(QString *error)
{
    if (m_temporary.isOpen() && !m_temporary.flush()) {
        *error = m_temporary.errorString();
        return false;
    }
    m_temporary.close();
    const QFileInfo target(m_target);
    QFile::setPermissions(path(), target.exists()
                                      ? target.permissions()
                                      : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadGroup | QFileDevice::ReadOther);
    if (std::rename(QFile::encodeName(path()).constData(),
                    QFile::encodeName(m_target).constData()) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_temporary.setAutoRemove(false);
    return true;
}

} // namespace framer
