#include "windowspath.h"

#include "automation/automationerror.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>

namespace platform {

namespace {

constexpr std::int32_t PathNotFound = 76;

// Joins the segments below a root, dropping "." and letting ".." stop at the root.
QString joinBelow(const QString &root, const QStringList &segments)
{
    QStringList kept;
    for (const QString &segment : segments) {
        if (segment.isEmpty() || segment == QLatin1String("."))
            continue;
        if (segment == QLatin1String("..")) {
            if (!kept.isEmpty())
                kept.removeLast();
            continue;
        }
        kept << segment;
    }
    QString base = root;
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    if (kept.isEmpty())
        return base;
    return (base == QLatin1String("/") ? QString() : base) + QLatin1Char('/') +
           kept.join(QLatin1Char('/'));
}

} // namespace

QString defaultDriveCRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/quillary/drive_c");
}

QString programDirectory(const QString &executableDir)
{
    return programDirectory(executableDir,
                            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                QStringLiteral("/quillary/program"));
}

QString programDirectory(const QString &executableDir, const QString &perUserDir)
{
    // A file made and dropped again says what the permission bits alone do not (a read-only
    // mount, an administrator's rights).
    QTemporaryFile probe(executableDir + QStringLiteral("/.quillary-write-XXXXXX"));
    if (probe.open())
        return executableDir;
    QDir().mkpath(perUserDir);
    return perUserDir;
}

QString mapWindowsPath(const QString &path, const QString &driveCRoot)
{
    if (path.isEmpty())
        throw automation::AutomationError(PathNotFound, "路径为空");

    QString rest = path;
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));

    const bool hasDrive = rest.size() >= 2 && rest[1] == QLatin1Char(':') && rest[0].isLetter() &&
                          rest[0].unicode() < 128;
    if (hasDrive) {
        if (rest[0].toLower() != QLatin1Char('c'))
            throw automation::AutomationError(PathNotFound, "路径未找到：" + path.toStdString() +
                                                                "（本机只有 C 盘）");
        return joinBelow(driveCRoot, rest.mid(2).split(QLatin1Char('/')));
    }
    // A host path keeps its own root; a backslash-rooted or relative path lives on drive C.
    if (path.startsWith(QLatin1Char('/')))
        return joinBelow(QStringLiteral("/"), rest.split(QLatin1Char('/')));
    return joinBelow(driveCRoot, rest.split(QLatin1Char('/')));
}

} // namespace platform
