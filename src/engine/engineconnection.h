#pragma once

#include "enginecodec.h"
#include "enginecore.h"
#include "lokbackend.h"

#include <QLocalSocket>
#include <QLockFile>
#include <QObject>
#include <QTimer>

#include <memory>

// The engine program's side of the socket: connects to the control that started it, starts
// LibreOffice with a private profile, and answers the control's requests through the core.
class EngineConnection : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString serverName;
        QString installPath;
        QString profileRoot;
        // Hosts whose linked content LibreOffice may fetch; none: it fetches nothing.
        QStringList allowedHosts;
        // The profile's user, under whom spreadsheets record changes.
        QString userName;
    };

    explicit EngineConnection(Options options, QObject *parent = nullptr);
    ~EngineConnection() override;

    bool connectToClient();
    // Takes a free profile slot and writes the engine's settings into it.
    bool prepareProfile();
    // The folder the profile slots are in.
    QString profileRoot() const;
    // Starts LibreOffice (preparing the profile first if that was not done) and tells the
    // client the engine is ready.
    bool startOffice();
    // Unloads the document before the office: the other order crashes at exit.
    void shutdown();

    QString lastError() const { return m_error; }

private:
    bool acquireProfile();
    bool writeSettings();
    void readClient();
    void send(const engineprotocol::Frame &frame);
    void scheduleRecovery();
    void writeRecovery();

    Options m_options;
    QString m_error;
    QLocalSocket m_socket;
    engineprotocol::FrameReader m_reader;
    std::unique_ptr<QLockFile> m_profileLock;
    QString m_profileDir;
    std::unique_ptr<LokOffice> m_office;
    std::unique_ptr<enginecore::EngineCore> m_core;
    QTimer m_recoveryTimer;
};
