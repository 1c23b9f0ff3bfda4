#include "officepackage.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <zip.h>

#include <algorithm>

namespace enginecore {

namespace {

// A settings part is a few kilobytes; anything this big is not one worth reading.
constexpr zip_uint64_t MaxEntryBytes = 64 * 1024 * 1024;

zip_t *openPackage(const QString &path, int flags, QString *error)
{
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), flags, &code);
    if (!archive && error) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, code);
        *error = QStringLiteral("%1 is no zip package: %2")
                     .arg(path, QString::fromLocal8Bit(zip_error_strerror(&reason)));
        zip_error_fini(&reason);
    }
    return archive;
}

} // namespace

PackageCheck checkPackage(const QString &path, quint64 ceiling)
{
    const QByteArray file = QFile::encodeName(path);
    // The directory's sizes are the ones LibreOffice unpacks by. Entries whose own headers
    // disagree with it are LibreOffice's to judge: some office programs write such packages.
    int code = 0;
    zip_t *archive = zip_open(file.constData(), ZIP_RDONLY, &code);
    if (!archive) {
        if (code == ZIP_ER_NOZIP)
            return {};
        zip_error_t reason;
        zip_error_init_with_code(&reason, code);
        PackageCheck check{PackageCheck::Damaged,
                           QString::fromLocal8Bit(zip_error_strerror(&reason))};
        zip_error_fini(&reason);
        return check;
    }
    const auto close = qScopeGuard([archive] { zip_discard(archive); });
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count > MaxPackageEntries)
        return {PackageCheck::TooLarge, QStringLiteral("%1 entries").arg(count)};
    quint64 unpacked = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0 ||
            !(stat.valid & ZIP_STAT_SIZE))
            return {PackageCheck::Damaged, QStringLiteral("entry %1 has no size").arg(i)};
        unpacked += stat.size;
        if (unpacked > ceiling)
            return {PackageCheck::TooLarge,
                    QStringLiteral("unpacks to more than %1 bytes").arg(ceiling)};
    }
    const quint64 packed = quint64(QFileInfo(path).size());
    if (unpacked > UnpackedBytesAlwaysTaken && unpacked > MaxExpansion * packed)
        return {PackageCheck::TooLarge,
                QStringLiteral("%1 bytes unpack to %2").arg(packed).arg(unpacked)};
    return {PackageCheck::Acceptable, {}};
}

QStringList packageEntries(const QString &path)
{
    zip_t *archive = openPackage(path, ZIP_RDONLY, nullptr);
    if (!archive)
        return {};
    const auto close = qScopeGuard([archive] { zip_discard(archive); });
    QStringList names;
    const zip_int64_t count =
        std::min<zip_int64_t>(zip_get_num_entries(archive, 0), MaxPackageEntries);
    for (zip_int64_t i = 0; i < count; ++i)
        if (const char *name = zip_get_name(archive, zip_uint64_t(i), 0))
            names.append(QString::fromUtf8(name));
    return names;
}

std::optional<QByteArray> readPackageEntry(const QString &path, const QString &name)
{
    zip_t *archive = openPackage(path, ZIP_RDONLY, nullptr);
    if (!archive)
        return std::nullopt;
    const auto close = qScopeGuard([archive] { zip_discard(archive); });
    const QByteArray entry = name.toUtf8();
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive, entry.constData(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
        stat.size > MaxEntryBytes)
        return std::nullopt;
    zip_file_t *file = zip_fopen(archive, entry.constData(), 0);
    if (!file)
        return std::nullopt;
    QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
    const zip_int64_t read = zip_fread(file, bytes.data(), stat.size);
    zip_fclose(file);
    if (read < 0 || zip_uint64_t(read) != stat.size)
        return std::nullopt;
    return bytes;
}

bool replacePackageEntry(const QString &path, const QString &name, const QByteArray &bytes,
                         QString *error)
{
    zip_t *archive = openPackage(path, 0, error);
    if (!archive)
        return false;
    const auto fail = [&](const char *what) {
        *error = QStringLiteral("cannot %1 %2 in %3: %4")
                     .arg(QLatin1String(what), name, path,
                          QString::fromLocal8Bit(zip_strerror(archive)));
        zip_discard(archive);
        return false;
    };
    const QByteArray entry = name.toUtf8();
    // libzip reads the buffer when it closes the package, which bytes outlives.
    zip_source_t *source = zip_source_buffer(archive, bytes.constData(), bytes.size(), 0);
    if (!source)
        return fail("prepare");
    zip_int64_t index = zip_name_locate(archive, entry.constData(), 0);
    if (index >= 0
            ? zip_file_replace(archive, index, source, 0) != 0
            : (index = zip_file_add(archive, entry.constData(), source, ZIP_FL_ENC_UTF_8)) < 0) {
        zip_source_free(source);
        return fail("replace");
    }
    if (zip_set_file_compression(archive, index, ZIP_CM_DEFLATE, 0) != 0)
        return fail("compress");
    // Written to a temporary file beside the package, then renamed over it.
    if (zip_close(archive) != 0)
        return fail("write");
    return true;
}

} // namespace enginecore
