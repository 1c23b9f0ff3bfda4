#include "engineconnection.h"

#include "enginetrace.h"
#include "officesettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>

Q_LOGGING_CATEGORY(lcEngine, "quillary.engine")

using namespace engineprotocol;

namespace {

constexpr int ProfileSlots = 8;

} // namespace

EngineConnection::EngineConnection(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_reader(&m_socket)
{
    connect(&m_socket, &QLocalSocket::readyRead, this, &EngineConnection::readClient);
    m_recoveryTimer.setSingleShot(true);
    connect(&m_recoveryTimer, &QTimer::timeout, this, &EngineConnection::writeRecovery);
    connect(&m_socket, &QLocalSocket::disconnected, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
}

EngineConnection::~EngineConnection()
{
    shutdown();
}

bool EngineConnection::connectToClient()
{
    m_socket.connectToServer(m_options.serverName);
    if (!m_socket.waitForConnected(10000)) {
        m_error = QStringLiteral("cannot connect to %1: %2")
                      .arg(m_options.serverName, m_socket.errorString());
        return false;
    }
    return true;
}

QString EngineConnection::profileRoot() const
{
    if (!m_options.profileRoot.isEmpty())
        return m_options.profileRoot;
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/quillary/engine-profile");
}

bool EngineConnection::prepareProfile()
{
    return acquireProfile() && writeSettings();
}

bool EngineConnection::acquireProfile()
{
    // One profile per running engine; a few reusable slots keep later starts warm.
    const QString root = profileRoot();
    if (!QDir().mkpath(root)) {
        m_error = QStringLiteral("cannot create the profile folder %1").arg(root);
        return false;
    }
    for (int slot = 0; slot < ProfileSlots; ++slot) {
        const QString dir = root + QStringLiteral("/slot%1").arg(slot);
        auto lock = std::make_unique<QLockFile>(dir + QStringLiteral(".lock"));
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            m_profileLock = std::move(lock);
            m_profileDir = dir;
            return QDir().mkpath(dir);
        }
    }
    m_error = QStringLiteral("every profile slot under %1 is in use").arg(root);
    return false;
}

bool EngineConnection::writeSettings()
{
    // Written anew at every start, so nothing a document or an earlier engine did to the
    // profile outlasts it.
    const QString path = m_profileDir + QStringLiteral("/user/registrymodifications.xcu");
    QByteArray registry;
    if (QFile file(path); file.open(QIODevice::ReadOnly))
        registry = file.readAll();
    QSaveFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly) ||
        file.write(enginecore::withEngineSettings(registry, m_options.allowedHosts,
                                                  m_options.userName)) < 0 ||
        !file.commit()) {
        m_error = QStringLiteral("cannot write the settings %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool EngineConnection::startOffice()
{
    if (m_profileDir.isEmpty() && !prepareProfile())
        return false;
    m_office = LokOffice::start(m_options.installPath, m_profileDir);
    if (!m_office) {
        m_error = QStringLiteral("LibreOfficeKit did not start from %1").arg(m_options.installPath);
        return false;
    }
    m_core = std::make_unique<enginecore::EngineCore>(
        *m_office,
        [this](const Event &event) {
            qCDebug(lcLatency) << "engine: event" << event.index() << "out";
            send(EventFrame{event});
        },
        [this] {
            // LibreOffice's thread: the main thread drains the callbacks.
            QMetaObject::invokeMethod(
                this, [this] { m_core->drainCallbacks(); }, Qt::QueuedConnection);
        });
    if (!m_core->isValid()) {
        m_error = QStringLiteral("cannot create a work folder: %1").arg(m_core->errorString());
        return false;
    }
    send(EventFrame{event::Ready{Version, m_office->versionInfo()}});
    return true;
}

void EngineConnection::shutdown()
{
    m_core.reset();
    m_office.reset();
}

void EngineConnection::send(const Frame &frame)
{
    if (m_socket.state() != QLocalSocket::ConnectedState)
        return;
    m_socket.write(encode(frame));
    // Out now, not when the event loop next runs: the client works on one reply while the
    // engine answers the next request.
    m_socket.flush();
}

void EngineConnection::readClient()
{
    while (auto frame = m_reader.next()) {
        const auto *request = std::get_if<RequestFrame>(&*frame);
        if (!request || !m_core) {
            qCWarning(lcEngine) << "ignoring a frame that is not a request";
            continue;
        }
        qCDebug(lcLatency) << "engine: request" << request->id << "kind" << request->request.index()
                           << "in";
        Reply reply = m_core->handle(request->request);
        if (const auto *error = std::get_if<reply::Error>(&reply))
            qCWarning(lcEngine) << "request" << request->request.index()
                                << "failed:" << error->message;
        send(ReplyFrame{request->id, std::move(reply)});
        qCDebug(lcLatency) << "engine: reply" << request->id << "out";
    }
    scheduleRecovery();
    if (m_reader.hasError()) {
        qCWarning(lcEngine) << "closing the connection:" << m_reader.errorString();
        m_socket.abort();
        QCoreApplication::quit();
    }
}

void EngineConnection::scheduleRecovery()
{
    const auto due = m_core ? m_core->recoveryDue() : std::nullopt;
    if (!due) {
        m_recoveryTimer.stop();
        return;
    }
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        *due - enginecore::RecoveryKeeper::Clock::now());
    m_recoveryTimer.start(int(std::clamp<qint64>(wait.count(), 0, 60000)));
}

void EngineConnection::writeRecovery()
{
    // Requests waiting go first, so the copy never holds up typing that has arrived; they
    // schedule the copy again once handled.
    if (m_socket.bytesAvailable() > 0)
        return;
    m_core->writeRecoveryIfDue(enginecore::RecoveryKeeper::Clock::now());
    scheduleRecovery();
}
