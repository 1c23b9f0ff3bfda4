#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Office files that are zip packages (Word 2007 and later, OpenDocument), read and changed in
// place with libzip. A change is written to a temporary file beside the package and renamed
// over it, so the package is either as it was or wholly changed.
namespace enginecore {

// The bytes of entry name; nothing when path is no zip package or has no such entry.
std::optional<QByteArray> readPackageEntry(const QString &path, const QString &name);

// Replaces (or adds) entry name; false, with the reason in error, when it cannot.
bool replacePackageEntry(const QString &path, const QString &name, const QByteArray &bytes,
                         QString *error);

} // namespace enginecore
