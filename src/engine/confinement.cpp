#include "confinement.h"

#include "messagebase.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <linux/landlock.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
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

QString systemError(const char *call)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(call),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

constexpr quint64 ReadAccess =
    LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;
constexpr quint64 WriteAccess = LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                                LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR |
                                LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
                                LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO |
                                LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
constexpr quint64 FileOnlyAccess =
    LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_WRITE_FILE;

// Allows access beneath path; a path that does not exist is skipped.
bool allow(int ruleset, const QString &path, quint64 access, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_PATH | O_CLOEXEC);
    if (fd < 0)
        return true;
    struct stat status = {};
    if (::fstat(fd, &status) == 0 && !S_ISDIR(status.st_mode))
        access &= FileOnlyAccess;
    landlock_path_beneath_attr rule = {};
    rule.allowed_access = access;
    rule.parent_fd = fd;
    const long added =
        ::syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
    ::close(fd);
    if (added != 0) {
        *error = systemError("landlock_add_rule") + QLatin1Char(' ') + path;
        return false;
    }
    return true;
}

} // namespace

FileAccess engineFileAccess(const QString &workFolder, const QString &profileRoot,
                            const QStringList &programFolders)
{
    FileAccess access;
    for (const char *system : {"/usr", "/etc", "/lib", "/lib32", "/lib64", "/libx32", "/bin",
                               "/sbin", "/opt", "/proc", "/sys", "/run", "/var/lib", "/var/cache",
                               // Debian keeps LibreOffice's shared extensions here.
                               "/var/spool/libreoffice"})
        access.readOnly.append(QString::fromLatin1(system));
    access.readOnly += programFolders;
    // Fonts the user installed are read; fontconfig keeps its cache up to date.
    const QString home = QDir::homePath();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    access.readOnly << home + QStringLiteral("/.fonts") << data + QStringLiteral("/fonts");
    access.readWrite << QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                            QStringLiteral("/fontconfig");
    access.readWrite << QStringLiteral("/dev") << workFolder << profileRoot;
    return access;
}

bool confineFiles(const FileAccess &access, QString *error)
{
    const long abi =
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1) {
        *error = systemError("landlock_create_ruleset");
        return false;
    }
    landlock_ruleset_attr attributes = {};
    attributes.handled_access_fs = ReadAccess | WriteAccess;
    if (abi >= 2) // moving a file between folders keeps it inside what is allowed
        attributes.handled_access_fs |= LANDLOCK_ACCESS_FS_REFER;
    const quint64 all = attributes.handled_access_fs;
    const int ruleset =
        int(::syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes, 0));
    if (ruleset < 0) {
        *error = systemError("landlock_create_ruleset");
        return false;
    }
    bool added = true;
    for (const QString &path : access.readOnly)
        added = added && allow(ruleset, path, ReadAccess, error);
    for (const QString &path : access.readWrite)
        if (!path.isEmpty())
            added = added && allow(ruleset, path, all, error);
    // Without no_new_privs the kernel refuses an unprivileged process its own restriction.
    const bool confined = added && ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
                          ::syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    if (added && !confined)
        *error = systemError("landlock_restrict_self");
    ::close(ruleset);
    return confined;
}

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
