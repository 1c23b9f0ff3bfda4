#pragma once

#include "callbackqueue.h"
#include "commandrunner.h"
#include "documentbackend.h"
#include "documentsearch.h"
#include "enginemessages.h"
#include "protectionpolicy.h"
#include "recoverykeeper.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace enginecore {

// The office engine without its socket: one office and at most one document, driven by
// requests one after another on the main thread. Each request gets its reply; what the
// document does meanwhile (invalidated areas, cursor, selection) goes out as events.
class EngineCore
{
public:
    using EventSink = std::function<void(const engineprotocol::Event &)>;

    // wake is called from any thread when LibreOffice's callbacks wait; its owner then calls
    // drainCallbacks() on the main thread.
    EngineCore(OfficeBackend &office, EventSink events, std::function<void()> wake,
               RecoveryTiming recoveryTiming = {});
    ~EngineCore();

    // False when the private work folder could not be made; errorString() says why.
    bool isValid() const { return m_work.isValid(); }
    QString errorString() const { return m_work.errorString(); }

    engineprotocol::Reply handle(const engineprotocol::Request &request);
    void drainCallbacks();
    // When the recovery copy is next due, if it is; its owner then calls writeRecoveryIfDue().
    std::optional<RecoveryKeeper::Clock::time_point> recoveryDue() const;
    void writeRecoveryIfDue(RecoveryKeeper::Clock::time_point now);
    // Unloads the document, if any; the office must outlive it.
    void closeDocument();

private:
    engineprotocol::Reply route(const engineprotocol::Request &request);
    engineprotocol::reply::DocumentInfo info();
    engineprotocol::Reply load(const QString &path);
    // Applied to the loaded document, if any, and to every one loaded after.
    void applySettings(const engineprotocol::UserSettings &settings);
    engineprotocol::Reply setPart(int part);
    engineprotocol::Reply tile(const engineprotocol::request::Tile &request);
    engineprotocol::Reply thumbnail(const engineprotocol::request::PartThumbnail &request);
    engineprotocol::Reply key(const engineprotocol::request::Key &request);
    engineprotocol::Reply mouse(const engineprotocol::request::Mouse &request);
    engineprotocol::Reply uno(const engineprotocol::request::Uno &request);
    engineprotocol::Reply save(const engineprotocol::request::Save &request);
    // Writes the document to path in format, with its protection when the format carries it;
    // the reason when it could not.
    std::optional<QString> writeFile(const QString &path, const QString &format,
                                     const QString &options = {});
    engineprotocol::Reply textSelection();
    engineprotocol::Reply composition(const engineprotocol::request::Composition &request);
    engineprotocol::Reply pageRectangles();
    engineprotocol::Reply edit(const engineprotocol::Request &request);
    void onCallback(const Callback &callback);
    // LibreOffice reports a text document's changes as they come; a spreadsheet's are looked
    // for after each request that may change it.
    void reportSheetChanges(const engineprotocol::Request &request);

    OfficeBackend &m_office;
    EventSink m_events;
    QTemporaryDir m_work;
    CallbackQueue m_callbacks;
    CommandRunner m_commands;
    ProtectionPolicy m_protection;
    RecoveryKeeper m_recovery;
    engineprotocol::UserSettings m_settings;
    SelectionTracker m_where;
    bool m_passingThroughParts = false;
    QByteArray m_sheetChanges;
    std::unique_ptr<DocumentBackend> m_document;
    engineprotocol::DocumentKind m_kind = engineprotocol::DocumentKind::Other;
    QString m_documentFolder;
    bool m_namesExternalContent = false;
    int m_loadCount = 0;
};

} // namespace enginecore
