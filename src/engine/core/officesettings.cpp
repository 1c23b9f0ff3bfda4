#include "officesettings.h"

#include <QList>

#include <algorithm>

namespace enginecore {

namespace {

struct Setting
{
    const char *path;
    const char *name;
    QByteArray value;
};

QList<Setting> engineSettings(const QStringList &allowedHosts)
{
    const char *security = "/org.openoffice.Office.Common/Security/Scripting";
    const char *inet = "/org.openoffice.Inet/Settings";
    // Every address but the allowed hosts' goes to a port of this machine that nothing serves.
    const QByteArray proxy = "127.0.0.1";
    const QByteArray port = "9";
    return {
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

QByteArray withEngineSettings(const QByteArray &registry, const QStringList &allowedHosts)
{
    const QList<Setting> settings = engineSettings(allowedHosts);
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
