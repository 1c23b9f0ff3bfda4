#pragma once

#include "protocol/protocol.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QProcess;

namespace framer {

struct DocumentInfo
{
    engineprotocol::DocumentKind kind = engineprotocol::DocumentKind::Other;
    int parts = 0;
    int part = 0;
    QStringList partNames;
    // Size of the document (text) or of the current part, in twips.
    qint64 width = 0;
    qint64 height = 0;

    static DocumentInfo fromReply(const QJsonObject &reply);
};

// The control's side of the office engine: starts the engine process, sends requests and
// waits for replies in a nested event loop (the window keeps repainting and taking input),
// and turns a dead or stuck engine into an AutomationError. The next call starts a new one.
class EngineClient : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        // Empty: quillary-office-engine beside the running program.
        QString enginePath;
        // Empty: the engine's default under the user's cache folder.
        QString profileRoot;
        int loadTimeoutMs = 60000;
        int callTimeoutMs = 30000;
    };

    // Answer to a posted request: the reply, or an error text when there is none.
    using Handler = std::function<void(const engineprotocol::Message *reply, const QString &error)>;

    explicit EngineClient(QObject *parent = nullptr);
    explicit EngineClient(Options options, QObject *parent = nullptr);
    ~EngineClient() override;

    // Starts the engine in the background when none runs; returns at once.
    void start();
    bool isRunning() const;
    qint64 enginePid() const;
    const Options &options() const { return m_options; }

    // Sends a request and waits for its reply. Throws AutomationError when the engine refuses,
    // dies or exceeds timeoutMs; subject names the file or address in that error.
    engineprotocol::Message call(const QString &type, QJsonObject params, int timeoutMs,
                                 const QString &subject = {});
    // Sends a request whose answer is handled later; never waits.
    void post(const QString &type, QJsonObject params, Handler handler);

    DocumentInfo load(const QString &path, const QString &subject);
    void close();
    DocumentInfo info();
    // Saves to path; format is an extension ("docx", "pdf"); empty keeps the document's own.
    void save(const QString &path, const QString &format, const QString &subject);
    QImage renderTile(int part, const QRect &twips, const QSize &pixels);
    void requestTile(int part, const QRect &twips, const QSize &pixels,
                     std::function<void(const QImage &)> done);

    static QImage tileImage(const engineprotocol::Message &reply);

signals:
    void engineEvent(const QJsonObject &event);
    void engineReady();
    // The engine process ended without being asked to; the loaded document is gone.
    void engineStopped(const QString &reason);

private:
    struct Pending
    {
        QString type;
        Handler handler;
    };

    void onConnection();
    void onReadyRead();
    void onEngineGone(const QString &reason);
    void stopEngine(const QString &reason);
    void send(const QJsonObject &header);

    Options m_options;
    QProcess *m_process = nullptr;
    QLocalServer *m_server = nullptr;
    QLocalSocket *m_socket = nullptr;
    engineprotocol::FrameReader m_reader;
    QByteArray m_outbox;
    QHash<qint64, Pending> m_pending;
    qint64 m_nextId = 1;
    QByteArray m_engineLog;
};

} // namespace framer
