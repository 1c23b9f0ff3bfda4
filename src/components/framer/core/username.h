#pragma once

#include <QString>

namespace framer {

// The name a user's changes and comments go under by default: the full name of the account's
// GECOS field (the text before its first comma), else the login name.
QString userNameFromAccount(const QString &gecos, const QString &login);
// That name for the account the control runs under; the login name from the environment when
// the account database has no entry.
QString accountUserName();

} // namespace framer
