#include "core/username.h"

#include <QtGlobal>

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace framer {

QString userNameFromAccount(const QString &gecos, const QString &login)
{
    // GECOS: full name, room, work phone, home phone, other; "&" stands for the login name.
    QString fullName = gecos.section(QLatin1Char(','), 0, 0).trimmed();
    if (!login.isEmpty())
        fullName.replace(QLatin1Char('&'), login.left(1).toUpper() + login.mid(1));
    return fullName.isEmpty() ? login : fullName;
}

QString accountUserName()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd *found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return userNameFromAccount(QString::fromLocal8Bit(found->pw_gecos),
                                   QString::fromLocal8Bit(found->pw_name));
    return qEnvironmentVariable("USER");
}

} // namespace framer
