#pragma once

#include <QString>
#include <QTemporaryFile>

namespace framer {

// A file written under a temporary name beside its target and renamed over it once complete:
// the target only ever holds a whole file, and a failure leaves nothing behind.
class PendingFile
{
public:
    explicit PendingFile(const QString &target);

    // Creates the temporary file, open for writing; false with the reason in error.
    bool open(QString *error);
    QFile &file() { return m_temporary; }
    // The temporary's path, for a writer that opens it itself.
    QString path() const { return m_temporary.fileName(); }

    // Renames the temporary over the target, which keeps its permissions (a new one gets the
    // usual ones, not a temporary file's private ones); false with the reason in error.
    bool commit(QString *error);

private:
    QString m_target;
    QTemporaryFile m_temporary;
};

} // namespace framer
