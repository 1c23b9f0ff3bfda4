#pragma once

#include "editing.h"
#include "protocol/protocol.h"

#include <QJsonObject>
#include <QLocalSocket>
#include <QLockFile>
#include <QObject>
#include <QTemporaryDir>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace lok {
class Office;
class Document;
} // namespace lok

// The office engine: one LibreOfficeKit instance and at most one document, driven by the
// requests of one client over a local socket. Requests run one after another on the main
// thread; LibreOffice's callbacks arrive on its own thread and are only queued there.
class OfficeEngine : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString serverName;
        QString installPath;
        QString profileRoot;
    };

    explicit OfficeEngine(Options options, QObject *parent = nullptr);
    ~OfficeEngine() override;

    bool connectToClient();
    bool startOffice();
    // Unloads the document before the office object: the other order crashes at exit.
    void shutdown();

    QString lastError() const { return m_error; }

private:
    struct Callback
    {
        int type;
        QByteArray payload;
    };

    static void documentCallback(int type, const char *payload, void *data);
    void enqueueCallback(int type, const char *payload);
    void drainCallbacks();
    void handleCallback(const Callback &callback);
    // Waits on the calling thread for a queued callback the predicate accepts; every callback
    // taken meanwhile is handled as usual. False on timeout.
    bool waitForCallback(const std::function<bool(const Callback &)> &accept, int timeoutMs);
    enum class InputClass { None, Character, Command, Mouse };
    // Waits until LibreOffice has applied the input posted so far.
    bool settle();
    bool settleInput();
    bool settleBefore(InputClass next);

    void readClient();
    void dispatch(const engineprotocol::Message &message);
    void reply(const QJsonObject &request, QJsonObject body, QByteArray payload = {});
    void fail(const QJsonObject &request, const QString &error);
    void sendEvent(QJsonObject body);

    QJsonObject documentInfo();
    void load(const QJsonObject &request);
    void closeDocument();
    void tile(const QJsonObject &request);
    void save(const QJsonObject &request);
    void uno(const QJsonObject &request);
    void edit(const QJsonObject &request);

    bool acquireProfile();

    Options m_options;
    QString m_error;
    QLocalSocket m_socket;
    engineprotocol::FrameReader m_reader;
    std::unique_ptr<QLockFile> m_profileLock;
    QString m_profileDir;
    QTemporaryDir m_workDir;
    std::unique_ptr<lok::Office> m_office;
    std::unique_ptr<lok::Document> m_document;
    QString m_documentFolder;
    int m_documentKind = 0;
    int m_loadGeneration = 0;
    DocumentEditing m_editing;

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<Callback> m_callbacks;
    bool m_drainPosted = false;
    bool m_inputPending = false;
    InputClass m_lastInput = InputClass::None;
};
