#include "core/engineclient.h"

#include "core/controlfailure.h"
#include "core/enginelocation.h"
#include "core/refusalcauses.h"
#include "enginetrace.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTimer>
#include <QUuid>

using namespace engineprotocol;
using quillary::ControlError;

namespace framer {

namespace {

constexpr qsizetype EngineLogBytes = 8 * 1024;
constexpr int ExitWaitMs = 2000;

QString subjectText(const QString &subject)
{
    return subject.isEmpty() ? QStringLiteral("文档") : QStringLiteral("“%1”").arg(subject);
}

} // namespace

EngineClient::EngineClient(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options))
{
    if (m_options.enginePath.isEmpty())
        m_options.enginePath = installedEnginePath();
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
    // While the latency is traced the engine's lines go where the control's go.
    m_process->setProcessChannelMode(lcLatency().isDebugEnabled() ? QProcess::ForwardedErrorChannel
                                                                  : QProcess::SeparateChannels);
    m_process->setStandardOutputFile(QProcess::nullDevice());
    connect(m_process, &QProcess::readyReadStandardError, this, [this] {
        const QByteArray output = m_process->readAllStandardError();
        // The engine's own notes (a protection the system did not grant) go to the log at once.
        for (const QByteArray &line : output.split('\n'))
            if (line.startsWith("quillary-office-engine:"))
                qCWarning(lcFramer).noquote() << QString::fromLocal8Bit(line);
        m_engineLog.append(output);
        if (m_engineLog.size() > EngineLogBytes)
            m_engineLog = m_engineLog.right(EngineLogBytes);
    });
    connect(m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        if (status == QProcess::NormalExit && code == MemoryLimitExitStatus)
            onEngineGone(QStringLiteral("reached its memory limit"), Failure::Cause::MemoryLimit);
        else
            onEngineGone(status == QProcess::CrashExit
                             ? QStringLiteral("crashed")
                             : QStringLiteral("exited with status %1").arg(code));
    });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            onEngineGone(QStringLiteral("failed to start: %1").arg(m_process->errorString()),
                         Failure::Cause::NotStarted);
    });
    QStringList arguments{QStringLiteral("--server"), m_server->fullServerName()};
    if (!m_options.profileRoot.isEmpty())
        arguments << QStringLiteral("--profile-root") << m_options.profileRoot;
    if (m_options.allowedHosts.isEmpty())
        arguments << QStringLiteral("--isolate-network");
    else
        arguments << QStringLiteral("--allow-hosts") << m_options.allowedHosts.join(u',');
    if (!m_options.workFolder.isEmpty())
        arguments << QStringLiteral("--confine-files") << m_options.workFolder;
    if (m_options.memoryLimitBytes > 0)
        arguments << QStringLiteral("--memory-limit")
                  << QString::number(m_options.memoryLimitBytes);
    m_engineUserName = m_userSettings.author;
    if (!m_engineUserName.isEmpty())
        arguments << QStringLiteral("--user-name=") + m_engineUserName; // even "-x" is a value
    m_holdsDocument = false;
    m_engineLog.clear();
    qCDebug(lcFramer) << "starting the office engine" << m_options.enginePath;
    if (!m_options.temporaryFolder.isEmpty() && QDir().mkpath(m_options.temporaryFolder)) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), m_options.temporaryFolder);
        m_process->setProcessEnvironment(environment);
    }
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
    m_reader = std::make_unique<FrameReader>(m_socket);
    connect(m_socket, &QLocalSocket::readyRead, this, &EngineClient::onReadyRead);
    connect(m_socket, &QLocalSocket::disconnected, this, [this] { onConnectionClosed(); });
    m_socket->write(std::exchange(m_outbox, {}));
}

void EngineClient::post(const Request &request, Handler handler)
{
    start();
    if (!isRunning()) {
        handler(nullptr, {Failure::Cause::NotStarted, ErrorCode::Failed,
                          QStringLiteral("engine %1 is not running").arg(m_options.enginePath)});
        return;
    }
    if (std::holds_alternative<request::Load>(request))
        m_holdsDocument = true;
    else if (std::holds_alternative<request::Close>(request))
        m_holdsDocument = false;
    const quint64 id = m_nextId++;
    m_pending.insert(id, std::move(handler));
    qCDebug(lcLatency) << "control: request" << id << "kind" << request.index() << "sent";
    const QByteArray frame = encode(RequestFrame{id, request});
    if (m_socket) {
        // Out now, not once the event loop next runs: painting may come first.
        m_socket->write(frame);
        m_socket->flush();
    } else
        m_outbox.append(frame);
}

void EngineClient::onReadyRead()
{
    while (m_socket) {
        std::optional<Frame> frame = m_reader->next();
        if (!frame)
            break;
        if (const auto *event = std::get_if<EventFrame>(&*frame)) {
            qCDebug(lcLatency) << "control: event" << event->event.index() << "in";
            onEvent(event->event);
            continue;
        }
        auto *answer = std::get_if<ReplyFrame>(&*frame);
        const Handler handler = answer ? m_pending.take(answer->id) : Handler();
        if (!handler)
            continue;
        qCDebug(lcLatency) << "control: reply" << answer->id << "in";
        if (const auto *error = std::get_if<reply::Error>(&answer->reply))
            handler(nullptr, {Failure::Cause::Refused, error->code, error->message});
        else
            handler(&answer->reply, {});
        // What came after a reply is about its outcome (a loaded document's first cursor),
        // so its caller acts on the reply first: the rest waits for the next turn of the loop.
        if (m_socket && m_socket->bytesAvailable() > 0) {
            QMetaObject::invokeMethod(this, &EngineClient::onReadyRead, Qt::QueuedConnection);
            return;
        }
    }
    if (m_socket && m_reader->hasError())
        stopEngine(QStringLiteral("sent a corrupt message: %1").arg(m_reader->errorString()));
}

void EngineClient::onEvent(const Event &event)
{
    const auto *ready = std::get_if<event::Ready>(&event);
    if (!ready) {
        emit eventReceived(event);
        return;
    }
    if (ready->version != Version) {
        stopEngine(
            QStringLiteral("speaks protocol version %1, not %2").arg(ready->version).arg(Version));
        return;
    }
    emit engineReady();
}

void EngineClient::onConnectionClosed()
{
    // An engine that ran out of memory closes the connection as it exits; its exit status
    // says why, so it is waited for a moment: finished() then reports it.
    // By then a fresh engine may have started in its place, which is not the one gone.
    QProcess *process = m_process;
    if (process)
        process->waitForFinished(ExitWaitMs);
    if (m_process == process)
        onEngineGone(QStringLiteral("closed the connection"));
}

void EngineClient::onEngineGone(const QString &reason, Failure::Cause cause)
{
    if (m_process)
        stopEngine(reason, cause);
}

void EngineClient::stopEngine(const QString &reason, Failure::Cause cause)
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
    const Failure failure{cause, ErrorCode::Failed, QStringLiteral("engine %1").arg(why)};
    for (const Handler &handler : pending)
        handler(nullptr, failure);
}

std::vector<EngineClient::Answer> EngineClient::exchange(const std::vector<Request> &requests,
                                                         int timeoutMs, const QString &subject)
{
    start();
    if (!isRunning())
        raise({Failure::Cause::NotStarted, ErrorCode::Failed, {}}, subject);

    struct State
    {
        std::vector<Answer> answers;
        std::size_t outstanding = 0;
        QEventLoop loop;
    };
    auto state = std::make_shared<State>();
    state->answers.resize(requests.size());
    state->outstanding = requests.size();
    const std::weak_ptr<State> weak = state;
    for (std::size_t i = 0; i < requests.size(); ++i)
        post(requests[i], [weak, i](Reply *reply, const Failure &failure) {
            const auto s = weak.lock();
            if (!s)
                return;
            if (reply)
                s->answers[i].reply = std::move(*reply);
            else
                s->answers[i].failure = failure;
            if (--s->outstanding == 0)
                s->loop.quit();
        });
    if (state->outstanding > 0) {
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &state->loop, &QEventLoop::quit);
        timer.start(timeoutMs);
        m_waits.append(&state->loop);
        state->loop.exec();
        m_waits.removeOne(&state->loop);
    }
    if (state->outstanding > 0 && !m_abandoned.isEmpty()) {
        const QString why = m_waits.isEmpty() ? std::exchange(m_abandoned, {}) : m_abandoned;
        fail(quillary::ControlError::NotApplied, why);
    }
    if (state->outstanding > 0) {
        // A stuck engine holds the document hostage; only a new one helps.
        const QString why = QStringLiteral("did not answer within %1 ms").arg(timeoutMs);
        stopEngine(why);
        fail(refusal(ControlError::EngineNotResponding, subject, QStringLiteral("engine ") + why));
    }
    return std::move(state->answers);
}

void EngineClient::abandonWaits(const QString &why)
{
    if (m_waits.isEmpty())
        return;
    m_abandoned = why;
    for (QEventLoop *loop : std::as_const(m_waits))
        loop->quit();
}

void EngineClient::raise(const Failure &failure, const QString &subject)
{
    switch (failure.cause) {
    case Failure::Cause::NotStarted:
        // An installation problem, not the document's: the program is named for whoever fixes it.
        fail({ControlError::Failed,
              QStringLiteral("无法启动文档引擎 %1，未能处理%2")
                  .arg(m_options.enginePath, subjectText(subject)),
              ControlError::NoCause, failure.message});
    case Failure::Cause::Stopped:
        fail(refusal(ControlError::EngineNotResponding, subject, failure.message));
    case Failure::Cause::MemoryLimit:
        fail(refusal(ControlError::TooLarge, subject, failure.message));
    case Failure::Cause::Refused:
        break;
    }
    // These refusals are written for the user already.
    if (failure.code == ErrorCode::ReadOnly)
        fail(quillary::ControlError::ReadOnly, failure.message);
    if (failure.code == ErrorCode::Protected || failure.code == ErrorCode::WrongKind)
        fail(failure.message);
    if (const auto cause = loadRefusalCause(failure.code))
        fail(refusal(*cause, subject, failure.message));
    // The engine's own words are for the log, not for the user.
    fail({ControlError::Failed,
          QStringLiteral("文档引擎未能完成对%1的操作，请重试").arg(subjectText(subject)),
          ControlError::NoCause, failure.message});
}

Reply EngineClient::callAny(const Request &request, int timeoutMs, const QString &subject)
{
    Answer answer = std::move(exchange({request}, timeoutMs, subject).front());
    if (answer.reply)
        return std::move(*answer.reply);
    qCWarning(lcFramer) << "office engine request" << request.index() << "for" << subject
                        << "failed:" << answer.failure->message;
    raise(*answer.failure, subject);
}

void EngineClient::unexpectedReply(const Reply &reply, const QString &subject)
{
    const QString why =
        QStringLiteral("answered with reply %1 where another was due").arg(reply.index());
    stopEngine(why);
    fail(refusal(ControlError::EngineNotResponding, subject, QStringLiteral("engine ") + why));
}

} // namespace framer
