#pragma once

#include <quillary/comment.h>
#include <quillary/controlerror.h>
#include <quillary/document.h>
#include <quillary/quillary_control_export.h>
#include <quillary/trackedchange.h>
#include <quillary/zoom.h>

#include <QList>
#include <QStringList>
#include <QWidget>

#include <memory>

class QNetworkAccessManager;
class QPrinter;

namespace quillary {

class DocumentControlPrivate;
class FileDialogs;

// A widget that shows an office document (Word, Excel, PowerPoint, WPS, OpenDocument, RTF,
// HTML, text) for the user to read and edit, and opens, saves, uploads and downloads files.
// LibreOffice does the work in an engine process the control starts in the background when
// it is created. While the document has unsaved changes the engine keeps a recovery copy in the
// control's private folder; should the engine die, the call under way fails, a fresh engine
// starts at once and the document comes back as it was, with a notice in the view.
//
// Long operations (transfers, loading, saving) run a nested event loop, so the window keeps
// repainting and taking input; another operation started meanwhile fails with
// ControlError::Busy. Each operation returns false when it fails: lastError() then says why,
// and errorOccurred() has been emitted.
class QUILLARY_CONTROL_EXPORT DocumentControl : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(quillary::Zoom zoom READ zoom WRITE setZoom NOTIFY zoomChanged)
    Q_PROPERTY(bool toolBarVisible READ isToolBarVisible WRITE setToolBarVisible NOTIFY
                   toolBarVisibleChanged)
    // Changed through setProtected(), which can fail.
    Q_PROPERTY(bool documentProtected READ isProtected NOTIFY protectionChanged)
    Q_PROPERTY(QString userName READ userName WRITE setUserName NOTIFY userNameChanged)
    Q_PROPERTY(bool readOnly READ isReadOnly WRITE setReadOnly NOTIFY readOnlyChanged)

public:
    struct Options
    {
        // Every transfer goes through it; null: the control's own.
        QNetworkAccessManager *network = nullptr;
        // Null: Qt's file dialogs.
        FileDialogs *fileDialogs = nullptr;
        // Where the save dialog starts until the user saved somewhere; empty: the current folder.
        QString saveFolder;
        // The engine program; empty: the one installed with this library.
        QString enginePath;
        // Where the engine keeps its LibreOffice profiles; empty: the user's cache folder.
        QString profileRoot;
        // Where a recovery copy that could not be reopened is kept for the user; empty:
        // quillary/recovered in the user's data folder.
        QString keptRecoveryFolder;
        int loadTimeoutMs = 60000;
        int callTimeoutMs = 30000;
        // What a document may fetch on its own: linked pictures and objects, linked sections,
        // remote stylesheets and images of HTML, links to other workbooks, web-service
        // formulas. Block (the default): nothing; the engine runs without a network where the
        // system allows, the document shows what it keeps of that content, and the view says
        // "文档中的外部内容已被阻止". AllowListedHosts: content from hosts is fetched, from
        // any other address not. What the host asks for (open, upload, download, pictures)
        // the control fetches itself either way.
        struct LinkedContent
        {
            enum Policy { Block, AllowListedHosts };
            Policy policy = Block;
            // Host names or addresses as the document writes them ("intranet.example",
            // "10.0.0.5").
            QStringList hosts;
        };
        LinkedContent linkedContent;
        // Most memory (address space, in bytes) the engine may take; past it the document is
        // refused as too large and a fresh engine starts. 0: half the machine's memory, at
        // least 4 GiB; negative: no limit.
        qint64 engineMemoryLimit = 0;
    };

    enum class PicturePlacement {
        InLine,   // as a character of the text
        Floating, // anchored to the paragraph, text wrapped around it
    };

    explicit DocumentControl(QWidget *parent = nullptr);
    explicit DocumentControl(Options options, QWidget *parent = nullptr);
    ~DocumentControl() override;

    // Opens a local file (a path or a file: URL), or downloads an http(s) address and opens
    // that. The document shown so far stays when this fails.
    bool open(const QString &pathOrAddress);
    // Saves to path in the format its extension names; the document's own when it has none.
    bool save(const QString &path);
    // Uploads the document in its own format as multipart/form-data in one field named "file";
    // fails unless the server answers 2xx. The document stays open either way.
    bool upload(const QString &address);
    // Downloads address to path, whose folder must exist; a failure leaves nothing behind.
    bool download(const QString &address, const QString &path);
    bool closeDocument();
    // Asks for a file (through FileDialogs) and opens it; a cancelled dialog is no failure.
    bool showOpenDialog();
    // Asks for a target (through FileDialogs) and saves there.
    bool showSaveDialog();

    bool hasDocument() const;
    // The loaded document's file name (the server's name for a download); empty without one.
    QString documentName() const;
    DocumentKind documentKind() const;
    // The loaded document as an object; null, with an error, without one.
    std::shared_ptr<Document> document();

    // Edits of a text document. An edit that cannot apply returns false with NotApplied.
    bool replaceText(const QString &find, const QString &replacement, Qt::CaseSensitivity cs);
    // Sets a bookmark at the cursor, moving one of that name.
    bool setBookmark(const QString &name);
    // Puts a picture (a path, or an http(s) address fetched first) at a bookmark.
    bool insertPicture(const QString &bookmark, const QString &pathOrAddress,
                       PicturePlacement placement);
    // Inserts a file at the cursor: HTML, Word, RTF, OpenDocument or text, told by content.
    bool insertFile(const QString &path);
    // Protection against changes, kept by the engine until lifted or the document closes.
    bool setProtected(bool on);
    bool isProtected() const;
    // Lets the user sign on a pad; OK writes the drawing to path as BMP (replacing it only
    // when complete), Cancel writes nothing.
    bool captureSignature(const QString &path);

    // The name changes and comments made in the control are recorded under, with their time;
    // saved files carry both (w:author and w:date in Word, dc:creator and dc:date in
    // OpenDocument). By default the account's full name, else its login name. An empty name
    // keeps the one set before.
    void setUserName(const QString &name);
    QString userName() const;

    // Shows documents so they can be read, scrolled, zoomed, searched, selected and copied but
    // not changed: keys, pastes, the editing tools and edits fail, the latter with
    // ControlError::ReadOnly. A setting of the control for every document it shows, never
    // written into a file; off by default.
    void setReadOnly(bool on);
    bool isReadOnly() const;

    // Tracked changes of a text document. Recording on: what the user changes from now on is
    // kept as changes under userName() until accepted or rejected. Recording is saved with
    // the document. A spreadsheet records changes to its cells, lists them and goes to their
    // cells; deciding on them fails with NotApplied (LibreOffice does that only in its own
    // dialog), and so does stopping the recording while it has changes (that drops them all).
    // Its changes carry the name the control had when no document was open: a name set while
    // one is open applies to spreadsheets once that document is closed.
    bool setRecordingChanges(bool on);
    bool isRecordingChanges() const;
    // Whether recorded changes show in the document (insertions marked, deletions struck
    // through), or it shows as if all were accepted.
    bool setChangesShown(bool on);
    // The document's recorded changes in document order; empty, with an error, without a text
    // document or spreadsheet.
    QList<TrackedChange> trackedChanges();
    // Selects the change, or the next or previous one from the cursor.
    bool goToChange(int id);
    bool goToNextChange();
    bool goToPreviousChange();
    // A change that is no longer in the document fails with NotApplied.
    bool acceptChange(int id);
    bool rejectChange(int id);
    bool acceptAllChanges();
    bool rejectAllChanges();
    // Compares the text document with an earlier version of it, a file or an http(s) address
    // (比较): what differs shows as tracked changes, to accept or reject, under the author the
    // earlier version's metadata names last (userName() when it names none). Nothing
    // differing fails with NotApplied; the document is otherwise unchanged by a failure.
    bool compareWith(const QString &pathOrAddress);

    // Comments of a text document, in document order, answers after what they answer.
    QList<Comment> comments();
    // Comments the selection (the place at the cursor without one) with text, under
    // userName() and the time (批注).
    bool insertComment(const QString &text);
    bool replyToComment(int id, const QString &text);
    // Changes or deletes one of userName()'s own comments; another author's fails with
    // NotApplied, as does a comment that is no longer in the document.
    bool editComment(int id, const QString &text);
    bool deleteComment(int id);
    // Puts the cursor where the comment is anchored, and shows it.
    bool goToComment(int id);

    // Prints the document as the engine lays out its pages, what it shows (tracked changes as
    // shown), through printer: to its CUPS queue, or to its file when its output format is PDF.
    // Its page range, copies, collation and duplex are kept. The pages travel as PDF, so text
    // stays text in the document's fonts.
    bool print(QPrinter *printer);
    // Asks with the system's print dialog (打印, Ctrl+P), then prints; a cancelled dialog is no
    // failure.
    bool showPrintDialog();
    // Shows the pages as they will print (打印预览); its 打印 button goes on to the print dialog.
    bool showPrintPreview();

    // The editing tools above the document (undo, clipboard, fonts, alignment, lists,
    // tables, zoom, find); shown unless hidden here.
    void setToolBarVisible(bool visible);
    bool isToolBarVisible() const;
    // How large the document shows; a newly opened one starts fitted to the width (text,
    // slides) or at 100% (sheets).
    void setZoom(const Zoom &zoom);
    Zoom zoom() const;

    ControlError lastError() const;

signals:
    // A transfer's bytes so far and in total (-1 while unknown).
    // Printing, which moves no bytes of its own, reports 0 of -1 while it runs.
    void transferProgress(qint64 done, qint64 total);
    // A document was opened or closed, or went with its engine.
    void documentChanged();
    // The document came back in a fresh engine after the last one died; unsavedChanges when
    // its recovery copy held changes not saved yet.
    void documentRecovered(bool unsavedChanges);
    void protectionChanged(bool on);
    void userNameChanged(const QString &name);
    void readOnlyChanged(bool on);
    // Changes were recorded, accepted or rejected, or another document shows: trackedChanges()
    // may differ from before.
    void trackedChangesChanged();
    // A comment was added, answered, edited or deleted, or another document shows.
    void commentsChanged();
    void toolBarVisibleChanged(bool visible);
    void zoomChanged(const quillary::Zoom &zoom);
    void errorOccurred(const quillary::ControlError &error);

private:
    friend class DocumentControlPrivate;
    std::unique_ptr<DocumentControlPrivate> d;
};

} // namespace quillary
