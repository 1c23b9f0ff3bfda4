#pragma once

#include "core/documentmodel.h"
#include "core/documentrecovery.h"
#include "core/engineclient.h"
#include "core/loadeddocument.h"
#include "core/transfers.h"

#include <QObject>
#include <QTemporaryDir>

#include <functional>
#include <optional>

class QNetworkAccessManager;

namespace framer {

// What the control's operations share: the engine, a private temporary folder, the one guard
// against a long operation starting while another runs, and the one way files are written
// through the engine. Failures throw a ControlFailure.
class ControlSession : public QObject
{
    Q_OBJECT

public:
    // keptFolder: where a recovery copy the engine could not reopen is kept for the user.
    ControlSession(QNetworkAccessManager *network, EngineClient::Options engine,
                   const QString &keptFolder, QObject *parent = nullptr);
    ~ControlSession() override;

    EngineClient &engine() { return *m_engine; }
    DocumentModel &model() { return *m_model; }
    const DocumentModel &model() const { return *m_model; }
    QNetworkAccessManager &network() { return *m_network; }

    // Runs work unless another long operation of the control is under way: the nested event
    // loops of transfers and engine calls must never interleave two of them. While the
    // document is being recovered, work waits for that.
    void exclusive(const std::function<void()> &work);

    const std::optional<LoadedDocument> &document() const { return m_document; }
    // The document, or a failure naming operation when none is loaded.
    const LoadedDocument &requireDocument(const QString &operation) const;

    // A local path, a file: URL, or an http(s) address downloaded first.
    void open(const QString &source);
    // name: what the document is called, its file name when empty.
    void openFile(const QString &path, const QString &name = {});
    void close();
    // Saves in the format path's extension names, adding the document's own extension when it
    // has none; returns the path written.
    QString saveTo(QString path);
    // Writes the document's pages as PDF to path, laid out as LibreOffice prints them;
    // options are its PDF export options (a page range).
    void exportPdf(const QString &path, const QByteArray &options);
    void upload(const QString &address);
    void download(const QString &address, const QString &path);
    // Brings the document back in a fresh engine after documentLost(), asynchronously, with the
    // protection it had; ends with documentRecovered() or, should that fail, documentClosed()
    // and recoveryFailed().
    void recover(const RecoveryPoint &point);
    bool isRecovering() const { return m_recovery->isRunning(); }
    // Where the engine keeps the document's recovery copy (it exists while changes are unsaved).
    QString recoveryCopyPath() const { return m_recovery->copyPath(); }

    // Runs work while the transfer bar says caption and subject, its progress unknown: a long
    // job that moves no bytes of its own (printing) still shows a sign of life.
    void showActivity(const QString &caption, const QString &subject,
                      const std::function<void()> &work);
    // Fetches an http(s) address into folder, with progress; returns the file's path, named as
    // the server named it.
    QString fetch(const QString &address, const QString &caption, const QString &folder);

    // Has produce write target's contents to a temporary file beside it, then renames that
    // over target: target is replaced only when complete, and nothing is left on failure.
    void writeThroughEngine(const QString &target,
                            const std::function<void(const QString &temporary)> &produce);
    // A folder of the control's own for one operation's files.
    QString newWorkFolder(const QString &purpose);

signals:
    // A long operation started or ended.
    void busyChanged(bool busy);
    void documentOpened();
    // The engine died with the document loaded; recover() brings it back.
    void documentLost();
    void documentRecovered(bool unsavedChanges);
    void recoveryFailed(const QString &message);
    // The document was closed, or lost with its engine (message says so then).
    void documentClosed(const QString &message);
    void transferStarted(const QString &caption, const QString &address);
    void transferProgress(qint64 done, qint64 total);
    void transferEnded();

private:
    template <class Transfer>
    auto transfer(const QString &caption, const QString &address, const Transfer &run);
    void openAddress(const QString &address);
    void onEngineStopped();
    void onRecoveryFinished(const std::optional<engineprotocol::reply::DocumentInfo> &info,
                            bool unsavedChanges, const QString &failure);
    // Fails naming operation: no document is loaded, and why when it was lost.
    [[noreturn]] void failWithoutDocument(const QString &operation) const;

    QNetworkAccessManager *m_network;
    // Before the engine, whose temporary files it holds.
    QTemporaryDir m_work;
    EngineClient *m_engine;
    DocumentModel *m_model;
    int m_workCount = 0;
    bool m_busy = false;
    std::optional<LoadedDocument> m_document;
    quint64 m_serial = 0;
    DocumentRecovery *m_recovery;
    // Why the last document went, when it could not be recovered.
    QString m_lostReason;
};

} // namespace framer
