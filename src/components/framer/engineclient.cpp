#include "framer/engineclient.h"

#include "automation/automationerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QProcess>
#include <QTimer>
#include <QUuid>

Q_LOGGING_CATEGORY(lcFramer, "quillary.framer")

using namespace engineprotocol;

namespace framer {

namespace {

constexpr qsizetype EngineLogBytes = 8 * 1024;

QString subjectText(const QString &subject)
{
    return subject.isEmpty() ? QStringLiteral("文档") : QStringLiteral("“%1”").arg(subject);
}

[[noreturn]] void raise(const QString &description)
{
    throw automation::AutomationError(automation::hresult::Fail, description.toStdString());
}

} // namespace

DocumentInfo DocumentInfo::fromReply(const QJsonObject &reply)
{
    DocumentInfo info;
    info.kind = documentKindFromName(reply.value("kind").toString());
    info.parts = reply.value("parts").toInt();
    info.part = reply.value("part").toInt();
    for (const QJsonValue &name : reply.value("partNames").toArray())
        info.partNames.append(name.toString());
    info.width = reply.value("width").toInteger();
    info.height = reply.value("height").toInteger();
    return info;
}

EngineClient::EngineClient(QObject *parent) : EngineClient(Options(), parent) {}

EngineClient::EngineClient(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options))
{
    if (m_options.enginePath.isEmpty())
        m_options.enginePath =
            QCoreApplication::applicationDirPath() + QStringLiteral("/quillary-office-engine");
}

EngineClient::~EngineClient()
{
    if (m_socket && m_socket->state() == QLocalSocket::ConnectedState) {
        // The engine quits when the connection closes; give it a moment to unload cleanly.
        disconnect(m_process, nullptr, this, nullptr);
        disconnect(m_socket, nullptr, this, nullptr);
        m_socket->disconnectFromServer();
        if (m_process && !m_process->waitForFinished(5000))
            m_process->kill();
    }
    stopEngine({});
}

bool EngineClient::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

qint64 EngineClient::enginePid() const
{
    return m_process ? m_process->processId() : 0;
}

void EngineClient::start()
{
    if (isRunning())
        return;
    stopEngine({});

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name =
        QStringLiteral("quillary-engine-%1").arg(QUuid::createUuid().toString(QUuid::Id128));
    if (!m_server->listen(name)) {
        qCWarning(lcFramer) << "cannot listen on" << name << m_server->errorString();
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &EngineClient::onConnection);

    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->setStandardOutputFile(QProcess::nullDevice());
    connect(m_process, &QProcess::readyReadStandardError, this, [this] {
        m_engineLog.append(m_process->readAllStandardError());
        if (m_engineLog.size() > EngineLogBytes)
            m_engineLog = m_engineLog.right(EngineLogBytes);
    });
    connect(m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        onEngineGone(status == QProcess::CrashExit
                         ? QStringLiteral("crashed")
                         : QStringLiteral("exited with status %1").arg(code));
    });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            onEngineGone(QStringLiteral("failed to start: %1").arg(m_process->errorString()));
    });
    QStringList arguments{QStringLiteral("--server"), m_server->fullServerName()};
    if (!m_options.profileRoot.isEmpty())
        arguments << QStringLiteral("--profile-root") << m_options.profileRoot;
    m_engineLog.clear();
    m_process->start(m_options.enginePath, arguments);
}

void EngineClient::onConnection()
{
    QLocalSocket *socket = m_server->nextPendingConnection();
    if (!socket)
        return;
    if (m_socket) {
        // One engine, one connection; anything else on this socket is not ours.
        socket->abort();
        socket->deleteLater();
        return;
    }
    m_socket = socket;
    m_reader = FrameReader();
    connect(m_socket, &QLocalSocket::readyRead, this, &EngineClient::onReadyRead);
    connect(m_socket, &QLocalSocket::disconnected, this,
            [this] { onEngineGone(QStringLiteral("closed the connection")); });
    m_socket->write(m_outbox);
    m_outbox.clear();
}

void EngineClient::send(const QJsonObject &header)
{
    const QByteArray frame = encode({header, {}});
    if (m_socket)
        m_socket->write(frame);
    else
        m_outbox.append(frame);
}

void EngineClient::post(const QString &type, QJsonObject params, Handler handler)
{
    start();
    if (!isRunning()) {
        handler(nullptr, QStringLiteral("engine %1 is not running").arg(m_options.enginePath));
        return;
    }
    const qint64 id = m_nextId++;
    params.insert("type", type);
    params.insert("id", id);
    m_pending.insert(id, {type, std::move(handler)});
    send(params);
}

void EngineClient::onReadyRead()
{
    m_reader.append(m_socket->readAll());
    while (auto message = m_reader.next()) {
        const QJsonObject &header = message->header;
        if (header.contains("event")) {
            if (header.value("event").toString() == QLatin1String(event::Ready)) {
                if (header.value("version").toInt() != Version) {
                    stopEngine(QStringLiteral("speaks protocol version %1, not %2")
                                   .arg(header.value("version").toInt())
                                   .arg(Version));
                    return;
                }
                emit engineReady();
            } else {
                emit engineEvent(header);
            }
            continue;
        }
        const auto pending = m_pending.take(header.value("id").toInteger());
        if (!pending.handler)
            continue;
        if (header.value("ok").toBool())
            pending.handler(&*message, {});
        else
            pending.handler(nullptr, header.value("error").toString());
        if (!m_socket)
            return; // a handler stopped the engine
    }
    if (m_reader.hasError())
        stopEngine(QStringLiteral("sent a corrupt message: %1").arg(m_reader.errorString()));
}

void EngineClient::onEngineGone(const QString &reason)
{
    if (!m_process)
        return;
    stopEngine(reason);
}

void EngineClient::stopEngine(const QString &reason)
{
    QProcess *process = std::exchange(m_process, nullptr);
    QLocalSocket *socket = std::exchange(m_socket, nullptr);
    QLocalServer *server = std::exchange(m_server, nullptr);
    if (process) {
        disconnect(process, nullptr, this, nullptr);
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(3000);
        }
        process->deleteLater();
    }
    if (socket) {
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        socket->deleteLater();
    }
    if (server) {
        server->close();
        server->deleteLater();
    }
    m_outbox.clear();
    const auto pending = std::exchange(m_pending, {});
    if (!process && pending.isEmpty())
        return;
    const QString why = reason.isEmpty() ? QStringLiteral("was stopped") : reason;
    if (!reason.isEmpty()) {
        qCWarning(lcFramer) << "office engine" << m_options.enginePath << why
                            << "; its last output:" << m_engineLog.right(1024);
        emit engineStopped(why);
    }
    for (const Pending &p : pending)
        p.handler(nullptr, QStringLiteral("engine %1").arg(why));
}

Message EngineClient::call(const QString &type, QJsonObject params, int timeoutMs,
                           const QString &subject)
{
    start();
    if (!isRunning())
        raise(QStringLiteral("无法启动文档引擎 %1，未能处理%2")
                  .arg(m_options.enginePath, subjectText(subject)));

    struct State
    {
        bool done = false;
        bool engineGone = false;
        Message reply;
        QString error;
        QEventLoop loop;
    };
    auto state = std::make_shared<State>();
    std::weak_ptr<State> weak = state;
    post(type, std::move(params), [weak](const Message *reply, const QString &error) {
        auto s = weak.lock();
        if (!s)
            return;
        s->done = true;
        if (reply)
            s->reply = *reply;
        s->error = error;
        s->engineGone = !reply && error.startsWith(QLatin1String("engine "));
        s->loop.quit();
    });
    if (!state->done) {
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &state->loop, &QEventLoop::quit);
        timer.start(timeoutMs);
        state->loop.exec();
        if (!state->done) {
            // A stuck engine holds the document hostage; only a new one helps.
            stopEngine(QStringLiteral("did not answer %1 within %2 ms").arg(type).arg(timeoutMs));
            raise(QStringLiteral("文档引擎处理%1超过 %2 秒未响应，已停止该引擎，请重试")
                      .arg(subjectText(subject))
                      .arg(timeoutMs / 1000.0, 0, 'g', 3));
        }
    }
    if (state->error.isEmpty())
        return state->reply;
    qCWarning(lcFramer) << "office engine" << type << subject << "failed:" << state->error;
    if (state->error.startsWith(QLatin1String("engine failed to start")))
        raise(QStringLiteral("无法启动文档引擎 %1，未能处理%2")
                  .arg(m_options.enginePath, subjectText(subject)));
    if (state->engineGone)
        raise(QStringLiteral("文档引擎在处理%1时意外停止，请重试").arg(subjectText(subject)));
    raise(QStringLiteral("文档引擎无法处理%1：%2").arg(subjectText(subject), state->error));
}

DocumentInfo EngineClient::load(const QString &path, const QString &subject)
{
    const Message reply =
        call(QString::fromLatin1(request::Load), {{"path", QFileInfo(path).absoluteFilePath()}},
             m_options.loadTimeoutMs, subject);
    return DocumentInfo::fromReply(reply.header);
}

void EngineClient::close()
{
    if (!isRunning())
        return; // a fresh engine holds no document
    call(QString::fromLatin1(request::Close), {}, m_options.callTimeoutMs);
}

DocumentInfo EngineClient::info()
{
    return DocumentInfo::fromReply(
        call(QString::fromLatin1(request::Info), {}, m_options.callTimeoutMs).header);
}

void EngineClient::save(const QString &path, const QString &format, const QString &subject)
{
    call(QString::fromLatin1(request::Save),
         {{"path", QFileInfo(path).absoluteFilePath()}, {"format", format}},
         m_options.loadTimeoutMs, subject);
}

namespace {
QJsonObject tileRequest(int part, const QRect &twips, const QSize &pixels)
{
    return {{"part", part},         {"x", twips.x()},      {"y", twips.y()},
            {"w", twips.width()},   {"h", twips.height()}, {"pw", pixels.width()},
            {"ph", pixels.height()}};
}
} // namespace

QImage EngineClient::tileImage(const Message &reply)
{
    const int width = reply.header.value("pw").toInt();
    const int height = reply.header.value("ph").toInt();
    if (width <= 0 || height <= 0 || reply.payload.size() != qsizetype(width) * height * 4)
        return {};
    // LibreOffice paints premultiplied BGRA, which is ARGB32 in memory on little-endian hosts.
    QImage image(reinterpret_cast<const uchar *>(reply.payload.constData()), width, height,
                 width * 4, QImage::Format_ARGB32_Premultiplied);
    return image.copy();
}

QImage EngineClient::renderTile(int part, const QRect &twips, const QSize &pixels)
{
    return tileImage(call(QString::fromLatin1(request::Tile), tileRequest(part, twips, pixels),
                          m_options.callTimeoutMs));
}

void EngineClient::requestTile(int part, const QRect &twips, const QSize &pixels,
                               std::function<void(const QImage &)> done)
{
    post(QString::fromLatin1(request::Tile), tileRequest(part, twips, pixels),
         [done = std::move(done)](const Message *reply, const QString &) {
             done(reply ? tileImage(*reply) : QImage());
         });
}

} // namespace framer
