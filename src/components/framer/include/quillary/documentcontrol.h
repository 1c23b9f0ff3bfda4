#pragma once

#include <quillary/controlerror.h>
#include <quillary/document.h>
#include <quillary/quillary_control_export.h>
#include <quillary/zoom.h>

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
    void transferProgress(qint64 done, qint64 total);
    // A document was opened or closed, or went with its engine.
    void documentChanged();
    // The document came back in a fresh engine after the last one died; unsavedChanges when
    // its recovery copy held changes not saved yet.
    void documentRecovered(bool unsavedChanges);
    void protectionChanged(bool on);
    void toolBarVisibleChanged(bool visible);
    void zoomChanged(const quillary::Zoom &zoom);
    void errorOccurred(const quillary::ControlError &error);

private:
    friend class DocumentControlPrivate;
    std::unique_ptr<DocumentControlPrivate> d;
};

} // namespace quillary
