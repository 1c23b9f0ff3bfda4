#include "officepackage.h"

#include <QFile>
#include <QScopeGuard>

#include <zip.h>

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
