#include "core/documentrecovery.h"

#include "core/controlfailure.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace engineprotocol;

namespace framer {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Copies source over target in one step; false, saying why, when it could not.
bool replaceWithCopy(const QString &source, const QString &target)
{
    const QString next = target + QStringLiteral(".next");
    QFile::remove(next);
    if (!QFile::copy(source, next) ||
        std::rename(QFile::encodeName(next).constData(), QFile::encodeName(target).constData())) {
        qCWarning(lcFramer) << "cannot keep" << source << "as" << target << std::strerror(errno);
        QFile::remove(next);
        return false;
    }
    return true;
}

QString baseNameOf(const QString &name)
{
    const QString base = QFileInfo(name).completeBaseName();
    return base.isEmpty() ? QStringLiteral("document") : base;
}

} // namespace

DocumentRecovery::DocumentRecovery(EngineClient &engine, QString folder, QString keptFolder,
                                   QObject *parent)
    : QObject(parent), m_engine(engine), m_root(std::move(folder)),
      m_keptFolder(std::move(keptFolder))
{
}

void DocumentRecovery::track(const LoadedDocument &document, const QString &loadedFrom)
{
    forget();
    m_folder = m_root + QStringLiteral("/document-%1").arg(document.serial);
    QDir().mkpath(m_folder + QStringLiteral("/base"));
    m_base = m_folder + QStringLiteral("/base/") + QFileInfo(loadedFrom).fileName();
    m_copy = m_folder + QStringLiteral("/recovery/") + baseNameOf(document.name) +
             QLatin1Char('.') + document.format;
    if (!QFile::copy(loadedFrom, m_base)) {
        qCWarning(lcFramer) << "cannot keep a copy of" << loadedFrom << "in" << m_folder;
        m_base.clear();
    }
    keepInEngine(document.format);
}

void DocumentRecovery::keepInEngine(const QString &format)
{
    m_engine.call<reply::Done>(request::KeepRecovery{m_copy, format}, timeouts::RecoveryCallMs,
                               QFileInfo(m_copy).fileName());
}

void DocumentRecovery::forget()
{
    if (!m_folder.isEmpty())
        QDir(m_folder).removeRecursively();
    m_folder.clear();
    m_base.clear();
    m_copy.clear();
}

void DocumentRecovery::saved(const QString &file)
{
    if (m_folder.isEmpty())
        return;
    if (m_base.isEmpty())
        m_base = m_folder + QStringLiteral("/base/") + QFileInfo(file).fileName();
    replaceWithCopy(file, m_base);
    try {
        m_engine.call<reply::Done>(request::MarkSaved{}, timeouts::RecoveryCallMs);
    } catch (const ControlFailure &failure) {
        // The save itself went through; should the engine be gone, the copy it kept holds
        // the saved document and is what comes back.
        qCWarning(lcFramer).noquote() << "the recovery copy stays:" << failure.error.message;
    }
}

void DocumentRecovery::start(const LoadedDocument &document, const RecoveryPoint &point,
                             bool wasProtected)
{
    m_running = true;
    m_fromCopy = QFileInfo(m_copy).isFile();
    const QString source = m_fromCopy ? m_copy : m_base;
    const QString name = document.name;
    const QString format = document.format;
    if (source.isEmpty() || !QFileInfo(source).isFile()) {
        QTimer::singleShot(0, this, [this, name, format] {
            finish(std::nullopt, giveUp(name, format, QStringLiteral("没有可以重新打开的文件")));
        });
        return;
    }
    qCWarning(lcFramer) << "reopening" << name << "from" << source << "in a fresh engine";
    // Requests go in order: each one's failure shows in the last one's answer.
    auto failure = std::make_shared<std::optional<EngineClient::Failure>>();
    const auto note = [failure](Reply *reply, const EngineClient::Failure &why) {
        if (!reply && !*failure)
            *failure = why;
    };
    m_engine.post(m_engine.loadRequest(source), note);
    m_engine.post(request::Protect{wasProtected}, note);
    if (document.kind != DocumentKind::Text && point.part > 0)
        m_engine.post(request::SetPart{point.part}, note);
    m_engine.post(request::KeepRecovery{m_copy, format}, note);
    if (!point.firstTile.pixels.isEmpty())
        m_engine.post(point.firstTile, note);
    m_engine.post(request::Info{}, [this, failure, name, format](Reply *reply,
                                                                 const EngineClient::Failure &why) {
        const auto *info = reply ? std::get_if<reply::DocumentInfo>(reply) : nullptr;
        if (info && !*failure)
            return finish(*info, {});
        const EngineClient::Failure &cause = *failure ? **failure : why;
        switch (cause.cause) {
        case EngineClient::Failure::Cause::Stopped:
        case EngineClient::Failure::Cause::MemoryLimit:
            return finish(std::nullopt,
                          giveUp(name, format, QStringLiteral("文档引擎再次意外停止")));
        case EngineClient::Failure::Cause::NotStarted:
            return finish(std::nullopt, giveUp(name, format, QStringLiteral("无法启动文档引擎")));
        case EngineClient::Failure::Cause::Refused:
            // The engine's words go to the log; the user learns that it could not.
            qCWarning(lcFramer).noquote() << "recovering" << name << "refused:" << cause.message;
            return finish(std::nullopt,
                          giveUp(name, format, QStringLiteral("文档引擎无法重新打开它")));
        }
    });
}

QString DocumentRecovery::giveUp(const QString &name, const QString &format, const QString &why)
{
    QString message = QStringLiteral("无法恢复文档“%1”（%2），已关闭该文档。").arg(name, why);
    if (m_fromCopy && QFileInfo(m_copy).isFile()) {
        QDir().mkpath(m_keptFolder);
        const QString stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString kept;
        for (int n = 1; kept.isEmpty() || QFileInfo::exists(kept); ++n)
            kept = QStringLiteral("%1/%2-%3%4.%5")
                       .arg(m_keptFolder, baseNameOf(name), stamp,
                            n == 1 ? QString() : QStringLiteral("-%1").arg(n), format);
        if (QFile::rename(m_copy, kept) || (QFile::copy(m_copy, kept) && QFile::remove(m_copy)))
            message += QStringLiteral("未保存的修改保存在 %1").arg(shown(kept));
        else
            message += QStringLiteral("未保存的修改保存在 %1").arg(shown(m_copy));
        if (!QFileInfo::exists(kept))
            return message; // the copy stays where it is: its folder must stay too
    }
    forget();
    return message;
}

void DocumentRecovery::finish(const std::optional<reply::DocumentInfo> &info,
                              const QString &failure)
{
    m_running = false;
    emit finished(info, m_fromCopy, failure);
}

} // namespace framer
