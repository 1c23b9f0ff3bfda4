#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace enginecore {

// LibreOffice's user settings (registrymodifications.xcu) with the engine's own put in, the
// rest as LibreOffice left them: macros never run; links in documents are never updated;
// linked pictures and objects are not fetched unless allowedHosts names hosts, whose content
// may then be fetched directly; every other address goes to a proxy that does not exist.
// userName, when given, is the profile's user: spreadsheets record changes under it and
// saved files name it as their last author.
QByteArray withEngineSettings(const QByteArray &registry, const QStringList &allowedHosts,
                              const QString &userName = {});

} // namespace enginecore
