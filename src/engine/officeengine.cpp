#include "officeengine.h"
#include "lokstrings.h"

#include <LibreOfficeKit/LibreOfficeKit.hxx>
#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QStandardPaths>
#include <QUrl>

#include <chrono>

Q_LOGGING_CATEGORY(lcEngine, "quillary.engine")

using namespace engineprotocol;

namespace {

constexpr int MaxTilePixels = 4096 * 4096;
constexpr int ProfileSlots = 8;

// "x, y, w, h" rectangles as LibreOffice writes them, several separated by ';'.
QJsonArray parseRectangles(const QByteArray &payload)
{
    QJsonArray rects;
    for (const QByteArray &part : payload.split(';')) {
        const QList<QByteArray> fields = part.split(',');
        if (fields.size() < 4)
            continue;
        bool ok = true;
        QJsonArray rect;
        for (int i = 0; i < 4 && ok; ++i)
            rect.append(fields[i].trimmed().toLongLong(&ok));
        if (ok)
            rects.append(rect);
    }
    return rects;
}

QByteArray rectanglePayload(const QByteArray &payload)
{
    // Some callbacks wrap the rectangle in JSON when views are tracked.
    if (payload.startsWith('{')) {
        const QJsonObject object = QJsonDocument::fromJson(payload).object();
        return object.value(QStringLiteral("rectangle")).toString().toUtf8();
    }
    return payload;
}

} // namespace

OfficeEngine::OfficeEngine(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options))
{
    connect(&m_socket, &QLocalSocket::readyRead, this, &OfficeEngine::readClient);
    connect(&m_socket, &QLocalSocket::disconnected, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
}

OfficeEngine::~OfficeEngine()
{
    shutdown();
}

bool OfficeEngine::connectToClient()
{
    m_socket.connectToServer(m_options.serverName);
    if (!m_socket.waitForConnected(10000)) {
        m_error = QStringLiteral("cannot connect to %1: %2")
                      .arg(m_options.serverName, m_socket.errorString());
        return false;
    }
    return true;
}

bool OfficeEngine::acquireProfile()
{
    // One profile per running engine; a few reusable slots keep later starts warm.
    QString root = m_options.profileRoot;
    if (root.isEmpty())
        root = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
               QStringLiteral("/quillary/engine-profile");
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

bool OfficeEngine::startOffice()
{
    if (!m_workDir.isValid()) {
        m_error = QStringLiteral("cannot create a work folder: %1").arg(m_workDir.errorString());
        return false;
    }
    if (!acquireProfile())
        return false;
    const QByteArray profileUrl = QUrl::fromLocalFile(m_profileDir).toEncoded();
    const QByteArray installPath = QFile::encodeName(m_options.installPath);
    m_office.reset(lok::lok_cpp_init(installPath.constData(), profileUrl.constData()));
    if (!m_office) {
        m_error = QStringLiteral("LibreOfficeKit did not start from %1").arg(m_options.installPath);
        return false;
    }
    const QString version = takeString(m_office->getVersionInfo());
    QJsonObject ready{{"event", event::Ready},
                      {"version", Version},
                      {"office", QJsonDocument::fromJson(version.toUtf8()).object()}};
    sendEvent(ready);
    return true;
}

void OfficeEngine::shutdown()
{
    m_document.reset();
    m_office.reset();
}

void OfficeEngine::documentCallback(int type, const char *payload, void *data)
{
    static_cast<OfficeEngine *>(data)->enqueueCallback(type, payload);
}

void OfficeEngine::enqueueCallback(int type, const char *payload)
{
    // LibreOffice's thread: copy, queue and wake the main thread; nothing else.
    bool post = false;
    {
        std::lock_guard lock(m_mutex);
        m_callbacks.push_back({type, QByteArray(payload ? payload : "")});
        post = !m_drainPosted;
        m_drainPosted = true;
    }
    m_arrived.notify_all();
    if (post)
        QMetaObject::invokeMethod(this, &OfficeEngine::drainCallbacks, Qt::QueuedConnection);
}

void OfficeEngine::drainCallbacks()
{
    std::deque<Callback> batch;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_callbacks);
        m_drainPosted = false;
    }
    for (const Callback &callback : batch)
        handleCallback(callback);
}

bool OfficeEngine::waitForCallback(const std::function<bool(const Callback &)> &accept,
                                   int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock lock(m_mutex);
    for (;;) {
        while (!m_callbacks.empty()) {
            Callback callback = std::move(m_callbacks.front());
            m_callbacks.pop_front();
            lock.unlock();
            handleCallback(callback);
            if (accept(callback))
                return true;
            lock.lock();
        }
        if (m_arrived.wait_until(lock, deadline) == std::cv_status::timeout && m_callbacks.empty())
            return false;
    }
}

void OfficeEngine::handleCallback(const Callback &callback)
{
    switch (callback.type) {
    case LOK_CALLBACK_INVALIDATE_TILES: {
        QJsonObject body{{"event", event::Invalidate}};
        const QList<QByteArray> fields = callback.payload.split(',');
        if (callback.payload.startsWith("EMPTY")) {
            body.insert("all", true);
            if (fields.size() > 1)
                body.insert("part", fields[1].trimmed().toInt());
        } else {
            const QJsonArray rects = parseRectangles(callback.payload);
            if (rects.isEmpty())
                body.insert("all", true);
            else
                body.insert("rect", rects.first());
            if (fields.size() > 4)
                body.insert("part", fields[4].trimmed().toInt());
        }
        sendEvent(body);
        break;
    }
    case LOK_CALLBACK_INVALIDATE_VISIBLE_CURSOR:
    case LOK_CALLBACK_CELL_CURSOR: {
        const QJsonArray rects = parseRectangles(rectanglePayload(callback.payload));
        QJsonObject body{{"event", event::Cursor}};
        if (!rects.isEmpty())
            body.insert("rect", rects.first());
        sendEvent(body);
        break;
    }
    case LOK_CALLBACK_CURSOR_VISIBLE:
        sendEvent({{"event", event::Cursor}, {"visible", callback.payload == "true"}});
        break;
    case LOK_CALLBACK_TEXT_SELECTION:
        sendEvent({{"event", event::Selection}, {"rects", parseRectangles(callback.payload)}});
        break;
    case LOK_CALLBACK_DOCUMENT_SIZE_CHANGED:
        if (m_document) {
            long width = 0;
            long height = 0;
            m_document->getDocumentSize(&width, &height);
            sendEvent({{"event", event::DocumentSize},
                       {"width", qint64(width)},
                       {"height", qint64(height)}});
        }
        break;
    case LOK_CALLBACK_SET_PART:
        sendEvent({{"event", event::Part}, {"part", callback.payload.trimmed().toInt()}});
        break;
    case LOK_CALLBACK_STATE_CHANGED:
        sendEvent({{"event", event::State}, {"state", QString::fromUtf8(callback.payload)}});
        break;
    default:
        break;
    }
}

void OfficeEngine::readClient()
{
    m_reader.append(m_socket.readAll());
    while (auto message = m_reader.next())
        dispatch(*message);
    if (m_reader.hasError()) {
        qCWarning(lcEngine) << "closing the connection:" << m_reader.errorString();
        m_socket.abort();
        QCoreApplication::quit();
    }
}

void OfficeEngine::reply(const QJsonObject &request, QJsonObject body, QByteArray payload)
{
    body.insert("id", request.value("id"));
    body.insert("ok", true);
    m_socket.write(encode({body, std::move(payload)}));
}

void OfficeEngine::fail(const QJsonObject &request, const QString &error)
{
    qCWarning(lcEngine) << request.value("type").toString() << "failed:" << error;
    m_socket.write(encode({{{"id", request.value("id")}, {"ok", false}, {"error", error}}, {}}));
}

void OfficeEngine::sendEvent(QJsonObject body)
{
    if (m_socket.state() == QLocalSocket::ConnectedState)
        m_socket.write(encode({body, {}}));
}

void OfficeEngine::dispatch(const Message &message)
{
    const QJsonObject &request = message.header;
    const QString type = request.value("type").toString();
    // Callbacks queued so far belong before the answer to this request.
    drainCallbacks();

    if (type == request::Hello) {
        if (request.value("version").toInt() != Version)
            return fail(request, QStringLiteral("protocol version %1 is not %2")
                                     .arg(request.value("version").toInt())
                                     .arg(Version));
        return reply(request, {{"version", Version}});
    }
    if (type == request::Quit) {
        reply(request, {});
        m_socket.flush();
        QCoreApplication::quit();
        return;
    }
    if (type == request::Load)
        return load(request);
    if (type == request::Close) {
        closeDocument();
        return reply(request, {});
    }
    if (!m_document)
        return fail(request, QStringLiteral("no document is loaded"));
    if (const QString refused = m_editing.admit(type, request); !refused.isEmpty())
        return fail(request, refused);
    if (DocumentEditing::handles(type))
        return edit(request);

    if (type == request::Info)
        return reply(request, documentInfo());
    if (type == request::SetPart) {
        const int part = request.value("part").toInt();
        if (part < 0 || part >= m_document->getParts())
            return fail(request, QStringLiteral("no part %1").arg(part));
        if (m_documentKind != LOK_DOCTYPE_TEXT)
            m_document->setPart(part);
        return reply(request, documentInfo());
    }
    if (type == request::Tile)
        return tile(request);
    if (type == request::Key) {
        const int character = request.value("char").toInt();
        const int key = request.value("key").toInt();
        // LibreOffice buffers typed characters and handles other keys and clicks as they
        // come, so a switch between them waits for what came before.
        const bool typed = character >= 0x20 && (key & 0x6000) == 0; // no Ctrl or Alt
        const InputClass inputClass = typed ? InputClass::Character : InputClass::Command;
        if (!settleBefore(inputClass))
            return fail(request, QStringLiteral("input did not settle"));
        m_document->postKeyEvent(request.value("action").toInt(), character, key);
        return reply(request, {});
    }
    if (type == request::Mouse) {
        if (!settleBefore(InputClass::Mouse))
            return fail(request, QStringLiteral("input did not settle"));
        m_document->postMouseEvent(request.value("action").toInt(), request.value("x").toInt(),
                                   request.value("y").toInt(), request.value("count").toInt(1),
                                   request.value("buttons").toInt(1),
                                   request.value("modifiers").toInt());
        return reply(request, {});
    }
    if (type == request::TextSelection) {
        if (!settleInput())
            return fail(request, QStringLiteral("input did not settle"));
        char *usedMime = nullptr;
        const QString text =
            takeString(m_document->getTextSelection("text/plain;charset=utf-8", &usedMime));
        free(usedMime);
        return reply(request, {{"text", text}});
    }
    if (type == request::Uno)
        return uno(request);
    if (type == request::Save)
        return save(request);
    fail(request, QStringLiteral("unknown request %1").arg(type));
}

QJsonObject OfficeEngine::documentInfo()
{
    long width = 0;
    long height = 0;
    m_document->getDocumentSize(&width, &height);
    const int parts = m_document->getParts();
    QJsonArray names;
    for (int i = 0; i < parts; ++i)
        names.append(takeString(m_document->getPartName(i)));
    return {{"kind", documentKindName(static_cast<DocumentKind>(m_documentKind))},
            {"parts", parts},
            {"part", m_document->getPart()},
            {"partNames", names},
            {"width", qint64(width)},
            {"height", qint64(height)}};
}

void OfficeEngine::load(const QJsonObject &request)
{
    const QString path = request.value("path").toString();
    const QFileInfo source(path);
    if (!source.isFile())
        return fail(request, QStringLiteral("%1 is not a readable file").arg(path));

    // Load a private copy: a stale lock file next to the original never makes the document
    // read-only, and the engine leaves no lock files in the user's folders.
    const QString folder = m_workDir.filePath(QString::number(++m_loadGeneration));
    QDir().mkpath(folder);
    const QString copy = folder + QLatin1Char('/') + source.fileName();
    if (!QFile::copy(path, copy))
        return fail(request, QStringLiteral("cannot copy %1 to %2").arg(path, copy));

    // The document shown so far stays until the new one has loaded.
    const QByteArray url = QUrl::fromLocalFile(copy).toEncoded();
    std::unique_ptr<lok::Document> loaded(m_office->documentLoad(url.constData()));
    if (!loaded) {
        const QString error = takeString(m_office->getError());
        QDir(folder).removeRecursively();
        return fail(request, error.isEmpty()
                                 ? QStringLiteral("LibreOffice cannot load %1").arg(path)
                                 : error);
    }
    closeDocument();
    m_document = std::move(loaded);
    m_documentFolder = folder;
    m_documentKind = m_document->getDocumentType();
    m_document->initializeForRendering("{}");
    m_document->registerCallback(&OfficeEngine::documentCallback, this);
    if (m_documentKind != LOK_DOCTYPE_TEXT && m_document->getParts() > 0)
        m_document->setPart(0);
    reply(request, documentInfo());
}

void OfficeEngine::closeDocument()
{
    if (!m_document)
        return;
    m_document.reset();
    m_editing.reset();
    QDir(m_documentFolder).removeRecursively();
    m_documentFolder.clear();
    m_inputPending = false;
    // Callbacks of the old document must not reach the client as the new one's.
    std::lock_guard lock(m_mutex);
    m_callbacks.clear();
}

void OfficeEngine::tile(const QJsonObject &request)
{
    const int pixelWidth = request.value("pw").toInt();
    const int pixelHeight = request.value("ph").toInt();
    if (pixelWidth <= 0 || pixelHeight <= 0 || qint64(pixelWidth) * pixelHeight > MaxTilePixels)
        return fail(request, QStringLiteral("tile of %1x%2 pixels is out of bounds")
                                 .arg(pixelWidth)
                                 .arg(pixelHeight));
    const int part = request.value("part").toInt(-1);
    if (m_documentKind != LOK_DOCTYPE_TEXT && part >= 0 && part != m_document->getPart()) {
        if (part >= m_document->getParts())
            return fail(request, QStringLiteral("no part %1").arg(part));
        m_document->setPart(part);
    }
    // LibreOffice leaves the area outside pages untouched: start transparent.
    QByteArray pixels(qsizetype(pixelWidth) * pixelHeight * 4, '\0');
    m_document->paintTile(reinterpret_cast<unsigned char *>(pixels.data()), pixelWidth, pixelHeight,
                          request.value("x").toInt(), request.value("y").toInt(),
                          request.value("w").toInt(), request.value("h").toInt());
    reply(request,
          {{"pw", pixelWidth},
           {"ph", pixelHeight},
           {"format", "bgra-premultiplied"},
           {"part", m_document->getPart()}},
          std::move(pixels));
}

bool OfficeEngine::settleBefore(InputClass next)
{
    const InputClass previous = std::exchange(m_lastInput, next);
    m_inputPending = true;
    if (previous == InputClass::None || previous == next)
        return true;
    return settle();
}

bool OfficeEngine::settleInput()
{
    if (!m_inputPending)
        return true;
    m_lastInput = InputClass::None;
    if (!settle())
        return false;
    m_inputPending = false;
    return true;
}

bool OfficeEngine::settle()
{
    // Key and mouse events are handled later on LibreOffice's thread. A command posted
    // after them runs after them, so its result tells that they have been applied.
    // .uno:ModifiedStatus only reports state: it changes nothing and always answers.
    m_document->postUnoCommand(".uno:ModifiedStatus", nullptr, true);
    const bool settled = waitForCallback(
        [](const Callback &c) {
            return c.type == LOK_CALLBACK_UNO_COMMAND_RESULT &&
                   c.payload.contains("\".uno:ModifiedStatus\"");
        },
        20000);
    return settled;
}

void OfficeEngine::uno(const QJsonObject &request)
{
    const QByteArray command = request.value("command").toString().toUtf8();
    const QByteArray arguments =
        QJsonDocument(request.value("arguments").toObject()).toJson(QJsonDocument::Compact);
    const bool wait = request.value("wait").toBool(true);
    if (!settleInput())
        return fail(request, QStringLiteral("input did not settle"));
    m_document->postUnoCommand(command.constData(), arguments.constData(), wait);
    if (!wait) {
        m_inputPending = true;
        return reply(request, {});
    }
    QJsonObject result;
    const bool done = waitForCallback(
        [&](const Callback &c) {
            if (c.type != LOK_CALLBACK_UNO_COMMAND_RESULT)
                return false;
            result = QJsonDocument::fromJson(c.payload).object();
            return result.value("commandName").toString().toUtf8() == command;
        },
        request.value("timeout").toInt(30000));
    if (!done)
        return fail(request, QStringLiteral("%1 did not finish").arg(QString::fromUtf8(command)));
    // The success flag is unreliable for some commands; callers judge by the effect.
    reply(request, {{"result", result}});
}

void OfficeEngine::save(const QJsonObject &request)
{
    const QString path = request.value("path").toString();
    if (path.isEmpty())
        return fail(request, QStringLiteral("no target path"));
    if (!settleInput())
        return fail(request, QStringLiteral("pending edits did not finish before saving"));
    const QByteArray url = QUrl::fromLocalFile(path).toEncoded();
    const QByteArray format = request.value("format").toString().toUtf8();
    const QByteArray options = request.value("options").toString().toUtf8();
    const bool saved =
        m_document->saveAs(url.constData(), format.isEmpty() ? nullptr : format.constData(),
                           options.isEmpty() ? nullptr : options.constData());
    if (!saved || !QFileInfo(path).isFile()) {
        const QString error = takeString(m_office->getError());
        return fail(request,
                    QStringLiteral("cannot save to %1: %2")
                        .arg(path, error.isEmpty() ? QStringLiteral("unknown error") : error));
    }
    reply(request, {{"size", QFileInfo(path).size()}});
}

void OfficeEngine::edit(const QJsonObject &request)
{
    DocumentEditing::Host host;
    host.document = m_document.get();
    host.kind = m_documentKind;
    host.workFolder = m_workDir.filePath(QStringLiteral("editing"));
    host.run = [this](const QByteArray &command, const QJsonObject &arguments,
                      const std::function<void(int, const QByteArray &)> &observe) {
        if (!settleInput())
            return false;
        const QByteArray json = arguments.isEmpty()
                                    ? QByteArray()
                                    : QJsonDocument(arguments).toJson(QJsonDocument::Compact);
        m_document->postUnoCommand(command.constData(), json.isEmpty() ? nullptr : json.constData(),
                                   true);
        return waitForCallback(
            [&](const Callback &c) {
                if (observe)
                    observe(c.type, c.payload);
                return c.type == LOK_CALLBACK_UNO_COMMAND_RESULT &&
                       QJsonDocument::fromJson(c.payload)
                               .object()
                               .value("commandName")
                               .toString() == QLatin1String(command);
            },
            30000);
    };
    host.wait = [this](const std::function<bool(int, const QByteArray &)> &accept, int timeoutMs) {
        return waitForCallback([&](const Callback &c) { return accept(c.type, c.payload); },
                               timeoutMs);
    };
    const DocumentEditing::Outcome outcome =
        m_editing.handle(request.value("type").toString(), request, host);
    if (!outcome.ok)
        return fail(request, outcome.error);
    reply(request, outcome.body);
}
