#pragma once

#include "core/enginetimeouts.h"
#include "enginecodec.h"
#include "enginemessages.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QProcess;

class QEventLoop;

namespace framer {

// The control's side of the office engine: starts the engine process, sends requests and
// waits for replies in a nested event loop (the window keeps repainting and taking input),
// and turns a dead or stuck engine into a failure of the call. The next call starts a new one.
class EngineClient : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        // Empty: the engine installed with the control.
        QString enginePath;
        // Empty: the engine's default under the user's cache folder.
        QString profileRoot;
        int loadTimeoutMs = timeouts::LoadMs;
        int callTimeoutMs = timeouts::CallMs;
        // The engine's temporary files go here (empty: the system's folder); what an engine
        // that was killed leaves goes with the folder.
        QString temporaryFolder;
        // The one folder of the user's disk the engine may open files in (it also reads the
        // system's folders and writes its profile); whoever asks it to load or write a file
        // puts it here. Empty: the engine is not confined.
        QString workFolder;
        // Hosts whose linked content the engine may fetch; empty: it runs without a network.
        QStringList allowedHosts;
        // Most address space the engine may take; 0: no limit.
        quint64 memoryLimitBytes = 0;
    };

    // Why a request got no reply.
    struct Failure
    {
        // MemoryLimit: the engine stopped when it reached the memory it may use.
        enum class Cause { Refused, Stopped, NotStarted, MemoryLimit };
        Cause cause = Cause::Refused;
        engineprotocol::ErrorCode code = engineprotocol::ErrorCode::Failed;
        QString message;
    };
    // The reply (for the handler to keep), or null and why there is none.
    using Handler = std::function<void(engineprotocol::Reply *reply, const Failure &failure)>;

    explicit EngineClient(Options options, QObject *parent = nullptr);
    ~EngineClient() override;

    // Starts the engine in the background when none runs; returns at once.
    void start();
    bool isRunning() const;
    qint64 enginePid() const;
    const Options &options() const { return m_options; }

    // Sends request and waits for its reply of type R. Throws a ControlFailure when the engine
    // refuses, dies or exceeds timeoutMs; subject names the file or address in that error.
    template <class R>
    R call(const engineprotocol::Request &request, int timeoutMs, const QString &subject = {})
    {
        engineprotocol::Reply reply = callAny(request, timeoutMs, subject);
        if (auto *answer = std::get_if<R>(&reply))
            return std::move(*answer);
        unexpectedReply(reply, subject);
    }
    // Sends request; handler gets its answer later. Never waits.
    void post(const engineprotocol::Request &request, Handler handler);
    // Sends request without waiting. Once it is answered, and only while context lives,
    // onReply gets the reply of type R (engineprotocol::Reply: any reply), or onFailure why
    // there is none: the engine refused, went, or answered with another type.
    template <class R>
    void ask(const engineprotocol::Request &request, const QObject *context,
             std::function<void(R &reply)> onReply,
             std::function<void(const Failure &failure)> onFailure = {})
    {
        post(request, [context = QPointer<const QObject>(context), onReply = std::move(onReply),
                       onFailure = std::move(onFailure)](engineprotocol::Reply *reply,
                                                         const Failure &failure) {
            if (!context)
                return;
            R *answer = nullptr;
            if constexpr (std::is_same_v<R, engineprotocol::Reply>)
                answer = reply;
            else
                answer = reply ? std::get_if<R>(reply) : nullptr;
            if (answer)
                onReply(*answer);
            else if (onFailure)
                onFailure(reply
                              ? Failure{Failure::Cause::Refused, engineprotocol::ErrorCode::Failed,
                                        QStringLiteral("文档引擎的回答不符合请求")}
                              : failure);
        });
    }

    engineprotocol::reply::DocumentInfo load(const QString &path, const QString &subject);
    // Loading path with the user's settings.
    engineprotocol::request::Load loadRequest(const QString &path) const;
    // The user's name and read-only setting: for the loaded document at once, and every
    // document loaded from now on, in this engine or a fresh one.
    void setUserSettings(const engineprotocol::UserSettings &settings);
    const engineprotocol::UserSettings &userSettings() const { return m_userSettings; }
    void close();
    // Writes the document to path; format is an extension ("docx", "pdf"), empty its own;
    // options are LibreOffice's filter options (its JSON), empty for its defaults.
    void save(const QString &path, const QString &format, const QString &subject,
              const QString &options = {});
    // The calls waiting now stop waiting and fail as not applied, saying why; the engine
    // finishes their requests, and their replies go nowhere. For a user who cancels a long job.
    void abandonWaits(const QString &why);
    // The engine opens files in its work folder only. reading() hands use a copy there of the
    // file at path (path itself when it is there already), removed afterwards; writing() has
    // produce write into the work folder and moves the result to path. load() and save() go
    // through them; so must any other request that names a file.
    void reading(const QString &path, const std::function<void(const QString &staged)> &use);
    void writing(const QString &path, const std::function<void(const QString &staged)> &produce);
    QImage renderTile(int part, const QRect &twips, const QSize &pixels);
    // Draws the tiles in one go: the engine draws each while the previous one travels.
    QList<QImage> renderTiles(int part, const QList<QRect> &twips, const QSize &pixels);
    // done gets the tile, or a null image when the engine drew none; not once context is gone.
    void requestTile(int part, const QRect &twips, const QSize &pixels, const QObject *context,
                     std::function<void(const QImage &)> done);

signals:
    void eventReceived(const engineprotocol::Event &event);
    void engineReady();
    // The engine process ended without being asked to; the loaded document is gone.
    void engineStopped(const QString &reason);

private:
    struct Answer
    {
        std::optional<engineprotocol::Reply> reply;
        std::optional<Failure> failure;
    };

    // Sends requests and waits for every answer; a dead or stuck engine fails the lot.
    std::vector<Answer> exchange(const std::vector<engineprotocol::Request> &requests,
                                 int timeoutMs, const QString &subject);
    [[noreturn]] void raise(const Failure &failure, const QString &subject);
    engineprotocol::Reply callAny(const engineprotocol::Request &request, int timeoutMs,
                                  const QString &subject);
    [[noreturn]] void unexpectedReply(const engineprotocol::Reply &reply, const QString &subject);
    void onConnection();
    void onReadyRead();
    void onEvent(const engineprotocol::Event &event);
    void onConnectionClosed();
    void onEngineGone(const QString &reason, Failure::Cause cause = Failure::Cause::Stopped);
    void stopEngine(const QString &reason, Failure::Cause cause = Failure::Cause::Stopped);
    // A fresh engine when the user's name changed since this one started, if it holds no
    // document; true when it started one.
    bool startUnderUsersName();

    bool reachesDirectly(const QString &path) const;
    QString newStagingFolder();

    Options m_options;
    int m_stagings = 0;
    QList<QEventLoop *> m_waits;
    QString m_abandoned;
    QProcess *m_process = nullptr;
    QLocalServer *m_server = nullptr;
    QLocalSocket *m_socket = nullptr;
    std::unique_ptr<engineprotocol::FrameReader> m_reader;
    QByteArray m_outbox;
    QHash<quint64, Handler> m_pending;
    quint64 m_nextId = 1;
    QByteArray m_engineLog;
    engineprotocol::UserSettings m_userSettings;
    QString m_engineUserName;
    bool m_holdsDocument = false;
};

// LibreOffice's pixels as an image that keeps the reply's bytes; null when the reply does not
// hold a whole tile.
QImage tileImage(engineprotocol::reply::Tile &&tile);

} // namespace framer
