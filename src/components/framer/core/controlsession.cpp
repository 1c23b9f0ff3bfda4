#include "core/controlsession.h"

#include "core/controlfailure.h"
#include "core/formatrules.h"
#include "core/pendingfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>

using quillary::ControlError;

namespace framer {

namespace {

constexpr qint64 ProgressIntervalMs = 50;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

EngineClient::Options withWorkFolder(EngineClient::Options options, const QTemporaryDir &work)
{
    if (!work.isValid())
        return options;
    if (options.temporaryFolder.isEmpty())
        options.temporaryFolder = work.filePath(QStringLiteral("engine"));
    if (options.workFolder.isEmpty())
        options.workFolder = work.path();
    return options;
}

} // namespace

ControlSession::ControlSession(QNetworkAccessManager *network, EngineClient::Options engine,
                               const QString &keptFolder, QObject *parent)
    : QObject(parent), m_network(network),
      m_engine(new EngineClient(withWorkFolder(std::move(engine), m_work), this)),
      m_model(new DocumentModel(this)),
      m_recovery(new DocumentRecovery(*m_engine, m_work.filePath(QStringLiteral("documents")),
                                      keptFolder, this))
{
    connect(m_engine, &EngineClient::engineStopped, this, &ControlSession::onEngineStopped);
    connect(m_recovery, &DocumentRecovery::finished, this, &ControlSession::onRecoveryFinished);
    // LibreOffice takes a while to start; the first open should not pay for it. Once the host
    // has set the control up: the engine starts under the user's name.
    QTimer::singleShot(0, m_engine, &EngineClient::start);
}

ControlSession::~ControlSession()
{
    // The engine ends before its temporary folder goes.
    delete m_recovery;
    delete m_engine;
}

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
    if (m_recovery->isRunning()) {
        // The recovery answers through the event loop, never from further down this stack.
        QEventLoop loop;
        connect(m_recovery, &DocumentRecovery::finished, &loop, &QEventLoop::quit);
        loop.exec();
        if (!self)
            fail(QStringLiteral("文档控件已关闭"));
    }
    work();
}

void ControlSession::failWithoutDocument(const QString &operation) const
{
    if (!m_lostReason.isEmpty())
        fail(m_lostReason);
    fail(QStringLiteral("没有打开的文档，无法%1").arg(operation));
}

const LoadedDocument &ControlSession::requireDocument(const QString &operation) const
{
    if (!m_document)
        failWithoutDocument(QStringLiteral("执行 %1").arg(operation));
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
    // Progress as often as the eye follows it, not at every chunk: the bar is redrawn each time.
    QElapsedTimer sinceShown;
    return run([this, sinceShown](qint64 done, qint64 total) mutable {
        if (sinceShown.isValid() && sinceShown.elapsed() < ProgressIntervalMs && done != total)
            return;
        sinceShown.start();
        emit transferProgress(done, total);
    });
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
        ControlError error = failure.error;
        error.message = QStringLiteral("%1（地址：%2）").arg(error.message, address);
        fail(error);
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
    // The engine shows the new document from here on, so nothing below may fail the open: the
    // control never names one document while the engine holds another.
    m_document =
        LoadedDocument{info.kind, shownName, ownFormat(info.kind, shownName, head), ++m_serial};
    m_lostReason.clear();
    m_model->show(info);
    emit documentOpened();
    try {
        m_recovery->track(*m_document, path);
    } catch (const ControlFailure &failure) {
        qCWarning(lcFramer).noquote()
            << "no recovery copy is kept for" << shownName << ":" << failure.error.message;
    }
}

void ControlSession::close()
{
    const bool loaded = m_document.has_value();
    m_document.reset();
    m_lostReason.clear();
    m_model->clear();
    emit documentClosed({});
    if (loaded)
        m_engine->close();
    m_recovery->forget();
}

void ControlSession::onEngineStopped()
{
    // A fresh engine that dies while the document comes back ends the recovery instead.
    if (m_document && !m_recovery->isRunning())
        emit documentLost();
}

void ControlSession::recover(const RecoveryPoint &point)
{
    if (!m_document || m_recovery->isRunning())
        return;
    m_model->markLost();
    m_recovery->start(*m_document, point, m_model->isProtected());
}

void ControlSession::onRecoveryFinished(
    const std::optional<engineprotocol::reply::DocumentInfo> &info, bool unsavedChanges,
    const QString &failure)
{
    if (!m_document)
        return;
    if (info) {
        m_model->show(*info);
        emit documentRecovered(unsavedChanges);
        return;
    }
    qCWarning(lcFramer).noquote() << failure;
    m_document.reset();
    m_lostReason = failure;
    m_model->clear();
    emit documentClosed(failure);
    emit recoveryFailed(failure);
}

void ControlSession::writeThroughEngine(const QString &target,
                                        const std::function<void(const QString &)> &produce)
{
    const QFileInfo info(target);
    if (info.fileName().isEmpty())
        fail(ControlError::InvalidArgument, QStringLiteral("没有指定文件名"));
    if (!info.absoluteDir().exists())
        fail(QStringLiteral("保存“%1”失败：文件夹不存在").arg(shown(target)));
    PendingFile pending(target);
    QString error;
    if (!pending.open(&error))
        fail(QStringLiteral("保存“%1”失败：%2").arg(shown(target), error));
    pending.file().close(); // the engine writes it
    produce(pending.path());
    if (QFileInfo(pending.path()).size() <= 0)
        fail(QStringLiteral("保存“%1”失败：文件为空").arg(shown(target)));
    if (!pending.commit(&error))
        fail(QStringLiteral("保存“%1”失败：%2").arg(shown(target), error));
}

QString ControlSession::saveTo(QString path)
{
    const LoadedDocument &document = requireDocument(QStringLiteral("保存"));
    QString extension = QFileInfo(path).suffix().toLower();
    if (extension.isEmpty()) {
        extension = document.format;
        path += QLatin1Char('.') + extension;
    }
    const QString format = saveFormatForExtension(document.kind, extension);
    if (format.isEmpty())
        fail(ControlError::InvalidArgument,
             QStringLiteral("无法把文档“%1”保存为“.%2”格式").arg(document.name, extension));
    writeThroughEngine(
        path, [&](const QString &temporary) { m_engine->save(temporary, format, document.name); });
    if (format == document.format)
        m_recovery->saved(path);
    return path;
}

void ControlSession::exportPdf(const QString &path, const QByteArray &options)
{
    const LoadedDocument &document = requireDocument(QStringLiteral("打印"));
    writeThroughEngine(path, [&](const QString &temporary) {
        m_engine->save(temporary, QStringLiteral("pdf"), document.name, QString::fromUtf8(options));
    });
}

void ControlSession::upload(const QString &address)
{
    if (!m_document)
        failWithoutDocument(QStringLiteral("保存到“%1”").arg(address));
    const LoadedDocument &document = *m_document;
    const QString folder = newWorkFolder(QStringLiteral("upload"));
    auto cleanUp = qScopeGuard([folder] { QDir(folder).removeRecursively(); });
    // The server keeps the name; it gets the extension of the format sent.
    QString name = document.name;
    const QString suffix = QFileInfo(name).suffix();
    if (suffix.toLower() != document.format &&
        saveFormatForExtension(document.kind, suffix) != document.format)
        name += QLatin1Char('.') + document.format;
    const QString path = folder + QLatin1Char('/') + name;
    m_engine->save(path, document.format, document.name);
    transfer(QStringLiteral("正在上传"), address, [&](const ProgressHandler &progress) {
        return uploadFile(*m_network, QUrl(address), path, name, QStringLiteral("file"), progress);
    });
    m_recovery->saved(path);
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

void ControlSession::showActivity(const QString &caption, const QString &subject,
                                  const std::function<void()> &work)
{
    transfer(caption, subject, [&](const ProgressHandler &progress) {
        progress(0, -1);
        work();
    });
}

QString ControlSession::fetch(const QString &address, const QString &caption, const QString &folder)
{
    const QString incoming = folder + QStringLiteral("/fetched");
    const DownloadResult result = transfer(caption, address, [&](const ProgressHandler &progress) {
        return downloadFile(*m_network, QUrl(address), incoming, progress);
    });
    // Named as the server names it, for the messages that name it.
    const QString named = folder + QLatin1Char('/') + result.fileName;
    return !result.fileName.isEmpty() && QFile::rename(incoming, named) ? named : incoming;
}

} // namespace framer
