#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Office files that are zip packages (Word 2007 and later, OpenDocument), read and changed in
// place with libzip. A change is written to a temporary file beside the package and renamed
// over it, so the package is either as it was or wholly changed.
namespace enginecore {

// The bytes of entry name; nothing when path is no zip package or has no such entry.
std::optional<QByteArray> readPackageEntry(const QString &path, const QString &name);

// What unpacking a file would take, judged from its zip directory before anything unpacks it.
struct PackageCheck
{
    enum Verdict {
        NotAPackage, // no zip package: nothing to judge
        Acceptable,
        Damaged,  // its directory cannot be read
        TooLarge, // it unpacks past the ceiling, or far beyond its own size
    };
    Verdict verdict = NotAPackage;
    QString detail;
};

// Unpacked, no package the engine opens may take more than this.
constexpr quint64 MaxUnpackedBytes = 1024ULL * 1024 * 1024;
// Office packages shrink text a few to a few dozen times; a hundred is no document's doing
// once it unpacks to more than a document needs (UnpackedBytesAlwaysTaken).
constexpr quint64 MaxExpansion = 100;
constexpr quint64 UnpackedBytesAlwaysTaken = 100ULL * 1024 * 1024;
constexpr qint64 MaxPackageEntries = 50000;

PackageCheck checkPackage(const QString &path, quint64 ceiling = MaxUnpackedBytes);

// The names of the package's entries; empty when path is no zip package.
QStringList packageEntries(const QString &path);

// Replaces (or adds) entry name; false, with the reason in error, when it cannot.
bool replacePackageEntry(const QString &path, const QString &name, const QByteArray &bytes,
                         QString *error);

} // namespace enginecore
