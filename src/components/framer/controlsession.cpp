#include "controlsession.h"

#include "controlfailure.h"
#include "formatrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

using quillary::ControlError;

namespace framer {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

ControlSession::ControlSession(QNetworkAccessManager *network, EngineClient::Options engine,
                               QObject *parent)
    : QObject(parent), m_network(network), m_engine(new EngineClient(std::move(engine), this))
{
    connect(m_engine, &EngineClient::engineStopped, this, &ControlSession::onEngineStopped);
    // LibreOffice takes a while to start; the first open should not pay for it.
    m_engine->start();
}

ControlSession::~ControlSession() = default;

void ControlSession::exclusive(const std::function<void()> &work)
{
    if (m_busy)
        fail(ControlError::Busy, QStringLiteral("文档控件正在处理上一个操作，请稍候再试"));
    m_busy = true;
    emit busyChanged(true);
    // The control may be gone when a nested loop returns.
    const QPointer<ControlSession> self(this);
    auto idle = qScopeGuard([self] {
        if (!self)
            return;
        self->m_busy = false;
        emit self->busyChanged(false);
    });
    work();
}

const LoadedDocument &ControlSession::requireDocument(const QString &operation) const
{
    if (!m_document)
        fail(QStringLiteral("没有打开的文档，无法执行 %1").arg(operation));
    return *m_document;
}

QString ControlSession::newWorkFolder(const QString &purpose)
{
    if (!m_work.isValid())
        fail(QStringLiteral("无法创建临时文件夹：%1").arg(m_work.errorString()));
    const QString folder = m_work.filePath(QStringLiteral("%1-%2").arg(purpose).arg(++m_workCount));
    QDir().mkpath(folder);
    return folder;
}

template <class Transfer>
auto ControlSession::transfer(const QString &caption, const QString &address, const Transfer &run)
{
    emit transferStarted(caption, address);
    auto ended = qScopeGuard([this] { emit transferEnded(); });
    return run([this](qint64 done, qint64 total) { emit transferProgress(done, total); });
}

void ControlSession::open(const QString &source)
{
    if (source.trimmed().isEmpty())
        fail(ControlError::InvalidArgument,
             QStringLiteral("没有指定要打开的文档（路径或网址为空）"));
    if (isWebAddress(source))
        return openAddress(source);
    if (const QUrl url(source); url.isLocalFile())
        return openFile(url.toLocalFile());
    if (source.contains(QLatin1String("://")))
        fail(ControlError::InvalidArgument,
             QStringLiteral("无法打开“%1”：只支持 http、https 地址和本地路径").arg(source));
    openFile(source);
}

void ControlSession::openAddress(const QString &address)
{
    const QString folder = newWorkFolder(QStringLiteral("open"));
    // The engine loads a copy of its own, so the download goes once it is loaded.
    auto cleanUp = qScopeGuard([folder] { QDir(folder).removeRecursively(); });
    const QString incoming = folder + QStringLiteral("/incoming");
    const DownloadResult result =
        transfer(QStringLiteral("正在下载"), address, [&](const ProgressHandler &progress) {
            return downloadFile(*m_network, QUrl(address), incoming, progress);
        });
    const QString name = result.fileName.isEmpty() ? QStringLiteral("document") : result.fileName;
    const QString path = folder + QLatin1Char('/') + name;
    if (!QFile::rename(incoming, path))
        fail(QStringLiteral("打开“%1”失败：无法保存下载的文件").arg(address));
    try {
        openFile(path, name);
    } catch (const ControlFailure &failure) {
        fail(failure.error.code,
             QStringLiteral("%1（地址：%2）").arg(failure.error.message, address));
    }
}

void ControlSession::openFile(const QString &path, const QString &name)
{
    const QString shownName = name.isEmpty() ? QFileInfo(path).fileName() : name;
    if (const auto problem = checkDocumentFile(path, shownName))
        fail(*problem);
    const auto info = m_engine->load(path, shownName);
    QByteArray head;
    if (QFile file(path); file.open(QIODevice::ReadOnly))
        head = file.read(ContentSampleBytes);
    m_document = LoadedDocument{info, shownName, ownFormat(info.kind, shownName, head), ++m_serial};
    emit documentOpened();
}

void ControlSession::close()
{
    const bool loaded = m_document.has_value();
    m_document.reset();
    emit documentClosed({});
    if (loaded)
        m_engine->close();
}

void ControlSession::onEngineStopped()
{
    if (!m_document)
        return;
    const QString name = std::exchange(m_document, std::nullopt)->name;
    emit documentClosed(
        QStringLiteral("文档引擎意外停止，文档“%1”已关闭。请重新打开文档。").arg(name));
}

void ControlSession::writeThroughEngine(const QString &target,
                                        const std::function<void(const QString &)> &produce)
{
    const QFileInfo info(target);
    if (info.fileName().isEmpty())
        fail(ControlError::InvalidArgument, QStringLiteral("没有指定文件名"));
    if (!info.absoluteDir().exists())
        fail(QStringLiteral("保存“%1”失败：文件夹不存在").arg(shown(target)));
    // Written beside the target under a temporary name, then renamed over it in one step.
    QTemporaryFile temporary(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                             QStringLiteral(".XXXXXX.part"));
    if (!temporary.open())
        fail(QStringLiteral("保存“%1”失败：%2").arg(shown(target), temporary.errorString()));
    temporary.close();
    produce(temporary.fileName());
    if (QFileInfo(temporary.fileName()).size() <= 0)
        fail(QStringLiteral("保存“%1”失败：文件为空").arg(shown(target)));
    // A replaced file keeps its permissions; a new one gets the usual ones, not the private
    // ones of a temporary file.
    QFile::setPermissions(temporary.fileName(),
                          info.exists() ? info.permissions()
                                        : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadGroup | QFileDevice::ReadOther);
    if (std::rename(QFile::encodeName(temporary.fileName()).constData(),
                    QFile::encodeName(info.absoluteFilePath()).constData()) != 0)
        fail(QStringLiteral("保存“%1”失败：%2")
                 .arg(shown(target), QString::fromLocal8Bit(std::strerror(errno))));
    temporary.setAutoRemove(false);
}

QString ControlSession::saveTo(QString path)
{
    const LoadedDocument &document = requireDocument(QStringLiteral("保存"));
    QString extension = QFileInfo(path).suffix().toLower();
    if (extension.isEmpty()) {
        extension = document.format;
        path += QLatin1Char('.') + extension;
    }
    const QString format = saveFormatForExtension(document.info.kind, extension);
    if (format.isEmpty())
        fail(ControlError::InvalidArgument,
             QStringLiteral("无法把文档“%1”保存为“.%2”格式").arg(document.name, extension));
    writeThroughEngine(
        path, [&](const QString &temporary) { m_engine->save(temporary, format, document.name); });
    return path;
}

void ControlSession::upload(const QString &address)
{
    if (!m_document)
        fail(QStringLiteral("没有打开的文档，无法保存到“%1”").arg(address));
    const LoadedDocument &document = *m_document;
    const QString folder = newWorkFolder(QStringLiteral("upload"));
    auto cleanUp = qScopeGuard([folder] { QDir(folder).removeRecursively(); });
    // The server keeps the name; it gets the extension of the format sent.
    QString name = document.name;
    const QString suffix = QFileInfo(name).suffix();
    if (suffix.toLower() != document.format &&
        saveFormatForExtension(document.info.kind, suffix) != document.format)
        name += QLatin1Char('.') + document.format;
    const QString path = folder + QLatin1Char('/') + name;
    m_engine->save(path, document.format, document.name);
    transfer(QStringLiteral("正在上传"), address, [&](const ProgressHandler &progress) {
        return uploadFile(*m_network, QUrl(address), path, name, QStringLiteral("file"), progress);
    });
}

void ControlSession::download(const QString &address, const QString &path)
{
    if (path.trimmed().isEmpty())
        fail(ControlError::InvalidArgument,
             QStringLiteral("下载“%1”失败：没有指定保存位置").arg(address));
    transfer(QStringLiteral("正在下载"), address, [&](const ProgressHandler &progress) {
        return downloadFile(*m_network, QUrl(address), path, progress);
    });
}

QString ControlSession::fetch(const QString &address, const QString &caption, const QString &folder)
{
    const QString path = folder + QStringLiteral("/fetched");
    transfer(caption, address, [&](const ProgressHandler &progress) {
        return downloadFile(*m_network, QUrl(address), path, progress);
    });
    return path;
}

} // namespace framer
