#pragma once

#include "automation/dispatch.h"
#include "protocol/protocol.h"

#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QWidget;

namespace framer {

class EngineClient;

// What the editing operations need of the control that hosts them.
struct EditingHost
{
    EngineClient *engine = nullptr;
    QNetworkAccessManager *network = nullptr;
    QString driveCRoot;
    // The signature pad is modal on this widget's window.
    QWidget *dialogParent = nullptr;
    // The kind of the loaded document; nothing when none is loaded.
    std::function<std::optional<engineprotocol::DocumentKind>()> document;
    // Progress of a picture download; each may be empty.
    std::function<void(const QString &caption, const QString &address)> transferStarted;
    std::function<void(qint64 done, qint64 total)> transferProgress;
    std::function<void()> transferEnded;
    std::function<void(bool on)> protectionChanged;
    // Runs work unless another long operation of the control is under way (then throws), so
    // the office objects' exports never interleave with the control's own calls. Empty: runs it.
    std::function<void(const std::function<void()> &work)> exclusive;
    // Runs the signature pad and returns the drawing, null when cancelled. Empty: the dialog.
    std::function<QImage(QWidget *parent)> signaturePad;
};

// The control's editing operations and office automation objects: ReplaceText, MarkCommand,
// HandSign, InsertFile, ProtectDocument and DocumentObject. Operations that cannot run (no
// document, engine down, bad arguments) raise an AutomationError; the Boolean ones return
// false when their subject is missing (a bookmark, a picture, a file) or the document is
// protected.
class EditingOperations
{
public:
    explicit EditingOperations(EditingHost host);
    ~EditingOperations();

    // The control's six operations by dispatch id; nothing for any other id.
    std::optional<automation::Variant> invoke(automation::DispId id,
                                              const std::vector<automation::Variant> &args);

    // Replaces every occurrence of find; matchCase 1 compares case, 0 ignores it.
    void replaceText(const QString &find, const QString &replacement, int matchCase);
    bool markCommand(const QString &mark, const QString &value, const QString &keyword);
    void handSign();
    bool insertFile(const QString &path);
    void protectDocument(bool on);
    std::shared_ptr<automation::Dispatch> documentObject();

    // Runs work through the host's exclusive runner.
    void runExclusive(const std::function<void()> &work);

    bool isProtected() const { return m_protected; }
    // A new document starts unprotected.
    void documentChanged();

    // Format number to extension as the automation objects use them; see officeobjects.h.
    void saveDocumentAs(engineprotocol::DocumentKind kind, const QString &fileName,
                        const QString &format);
    void exportActiveSheet(const QString &fileName);

    // The file to sign into: drive C's Sign.bmp.
    QString signaturePath() const;

private:
    class Backend;

    engineprotocol::DocumentKind requireDocument(const QString &operation) const;
    QString hostPath(const QString &path) const;
    bool insertPicture(const QString &mark, const QString &source, bool floating);
    // Writes a file through produce(temporaryPath) and renames it over target when complete.
    void writeAtomically(const QString &target,
                         const std::function<void(const QString &)> &produce);

    EditingHost m_host;
    std::shared_ptr<Backend> m_backend;
    bool m_protected = false;
};

// The import filter LibreOffice needs for a file inserted into a text document, chosen by the
// file's first bytes; empty when the content is not one it can insert.
QString insertFilterFor(const QByteArray &head);

} // namespace framer
