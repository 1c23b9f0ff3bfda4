#include "officesettings.h"

#include <QList>
#include <QRegularExpression>

#include <algorithm>

namespace enginecore {

namespace {

struct Setting
{
    const char *path;
    const char *name;
    QByteArray value;
};

// LibreOffice keeps a given name and a surname; a name of one word is the given name. Written
// even when empty, so no earlier engine's user stays in the profile.
QList<Setting> userNameSettings(const QString &userName)
{
    QString name = userName;
    name.remove(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f]")));
    name = name.simplified();
    const char *profile = "/org.openoffice.UserProfile/Data";
    const qsizetype space = name.lastIndexOf(QLatin1Char(' '));
    return {{profile, "givenname", (space < 0 ? name : name.left(space)).toUtf8()},
            {profile, "sn", (space < 0 ? QString() : name.mid(space + 1)).toUtf8()}};
}

QList<Setting> engineSettings(const QStringList &allowedHosts, const QString &userName)
{
    const char *security = "/org.openoffice.Office.Common/Security/Scripting";
    const char *inet = "/org.openoffice.Inet/Settings";
    // Every address but the allowed hosts' goes to a port of this machine that nothing serves.
    const QByteArray proxy = "127.0.0.1";
    const QByteArray port = "9";
    return userNameSettings(userName) +
           QList<Setting>{
               {security, "MacroSecurityLevel", "3"},
               {security, "DisableMacrosExecution", "true"},
               {security, "BlockUntrustedRefererLinks", allowedHosts.isEmpty() ? "true" : "false"},
               // Writer's and Calc's numbers for "never update links".
               {"/org.openoffice.Office.Writer/Content/Update", "Link", "0"},
               {"/org.openoffice.Office.Calc/Content/Update", "Link", "1"},
               // A proxy set by hand.
               {inet, "ooInetProxyType", "2"},
               {inet, "ooInetHTTPProxyName", proxy},
               {inet, "ooInetHTTPProxyPort", port},
               {inet, "ooInetHTTPSProxyName", proxy},
               {inet, "ooInetHTTPSProxyPort", port},
               {inet, "ooInetFTPProxyName", proxy},
               {inet, "ooInetFTPProxyPort", port},
               {inet, "ooInetNoProxy", allowedHosts.join(QLatin1Char(';')).toUtf8()},
           };
}

QByteArray item(const Setting &setting)
{
    return QByteArray("<item oor:path=\"") + setting.path + "\"><prop oor:name=\"" + setting.name +
           "\" oor:op=\"fuse\"><value>" +
           QString::fromUtf8(setting.value).toHtmlEscaped().toUtf8() + "</value></prop></item>\n";
}

bool isItemOf(const QByteArray &line, const Setting &setting)
{
    return line.startsWith("<item ") &&
           line.contains(QByteArray("oor:path=\"") + setting.path + '"') &&
           line.contains(QByteArray("oor:name=\"") + setting.name + '"');
}

} // namespace

QByteArray withEngineSettings(const QByteArray &registry, const QStringList &allowedHosts,
                              const QString &userName)
{
    const QList<Setting> settings = engineSettings(allowedHosts, userName);
    // LibreOffice writes one item a line; the engine's replace any LibreOffice kept.
    QByteArray result;
    for (const QByteArray &line : registry.split('\n')) {
        const bool replaced = std::any_of(settings.cbegin(), settings.cend(),
                                          [&](const Setting &s) { return isItemOf(line, s); });
        if (!replaced && !line.contains("</oor:items>") && !line.trimmed().isEmpty())
            result += line + '\n';
    }
    if (!result.contains("<oor:items"))
        result = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
                 "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
                 "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    for (const Setting &setting : settings)
        result += item(setting);
    return result + "</oor:items>\n";
}

} // namespace enginecore
