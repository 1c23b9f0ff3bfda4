#include "confinement.h"

#include "messagebase.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <new>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace confinement {

namespace {

bool writeProcFile(const char *path, const QByteArray &text, QString *error)
{
    QFile file(QString::fromLatin1(path));
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size())
        return true;
    *error = QStringLiteral("cannot write %1: %2").arg(QLatin1String(path), file.errorString());
    return false;
}

[[noreturn]] void outOfMemory()
{
    // No allocation here: there is none left.
    static const char message[] = "quillary-office-engine: memory limit reached\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, message, sizeof message - 1);
    ::_exit(engineprotocol::MemoryLimitExitStatus);
}

} // namespace

bool leaveNetwork(QString *error)
{
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
        *error = QStringLiteral("unshare: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // The same user and group inside as outside, so files and the profile stay the user's.
    return writeProcFile("/proc/self/setgroups", "deny", error) &&
           writeProcFile("/proc/self/uid_map",
                         QByteArray::number(uid) + ' ' + QByteArray::number(uid) + " 1", error) &&
           writeProcFile("/proc/self/gid_map",
                         QByteArray::number(gid) + ' ' + QByteArray::number(gid) + " 1", error);
}

bool limitMemory(quint64 bytes, QString *error)
{
    const rlimit limit{rlim_t(bytes), rlim_t(bytes)};
    if (::setrlimit(RLIMIT_AS, &limit) != 0) {
        *error = QStringLiteral("setrlimit: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // LibreOffice cannot go on sensibly without the memory it asked for; the control starts
    // a fresh engine.
    std::set_new_handler(outOfMemory);
    return true;
}

} // namespace confinement
