#pragma once

#include "core/engineclient.h"
#include "core/loadeddocument.h"

#include <QObject>
#include <QString>

#include <optional>

namespace framer {

// Where the view was when the engine died: the part it showed and the tile at its top left,
// which the fresh engine must draw before the document counts as back.
struct RecoveryPoint
{
    int part = 0;
    engineprotocol::request::Tile firstTile;
};

// Brings the document back when its engine dies. It keeps, in a folder of the control's own,
// the file the document was loaded from or last saved as, and has the engine keep a recovery
// copy beside it while the document has unsaved changes; a fresh engine reloads the copy, or
// the file when there is none. Should the fresh engine die too before the document is back,
// it gives up and keeps the copy for the user.
class DocumentRecovery : public QObject
{
    Q_OBJECT

public:
    // folder: the control's own; keptFolder: where a copy that could not be reopened goes.
    DocumentRecovery(EngineClient &engine, QString folder, QString keptFolder,
                     QObject *parent = nullptr);

    // A document was loaded from file: keeps a copy of that file, has the engine keep the
    // recovery copy, and forgets the files of the one before. Throws a ControlFailure.
    void track(const LoadedDocument &document, const QString &loadedFrom);
    // The document was closed: its files go.
    void forget();
    // The document was saved in its own format to file, which reached its destination: that
    // file is what to reload from now, and the engine drops the copy unless the document
    // changed since.
    void saved(const QString &file);

    // The recovery copy the engine keeps for the document, whether or not it exists yet.
    QString copyPath() const { return m_copy; }
    bool isRunning() const { return m_running; }

    // Reloads document in a fresh engine, asynchronously; finished() tells how it went.
    void start(const LoadedDocument &document, const RecoveryPoint &point, bool wasProtected);

signals:
    // info: the document as it is back, with unsavedChanges when they came from the copy; or
    // nothing, and failure says why (naming where the copy was kept, when there was one).
    void finished(const std::optional<engineprotocol::reply::DocumentInfo> &info,
                  bool unsavedChanges, const QString &failure);

private:
    void keepInEngine(const QString &format);
    void finish(const std::optional<engineprotocol::reply::DocumentInfo> &info,
                const QString &failure);
    QString giveUp(const QString &name, const QString &format, const QString &why);

    EngineClient &m_engine;
    QString m_root;
    QString m_keptFolder;
    QString m_folder; // of the tracked document
    QString m_base;
    QString m_copy;
    bool m_running = false;
    bool m_fromCopy = false;
};

} // namespace framer
