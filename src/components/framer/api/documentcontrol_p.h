#pragma once

#include <quillary/documentcontrol.h>

#include <QPoint>

#include <functional>
#include <memory>

class QLabel;
class QTimer;

namespace framer {
struct PrintJob;
class ControlSession;
class ControlTools;
class DocumentEditor;
class DocumentModel;
class DocumentReviewer;
class DocumentView;
class FormulaBar;
class ReviewPanel;
class SheetHeaders;
class SlidePanel;
class TransferBar;
} // namespace framer

namespace quillary {

// What a DocumentControl is made of. Not installed: the control's own tests reach its parts
// through it.
class DocumentControlPrivate
{
public:
    DocumentControlPrivate(DocumentControl *control, DocumentControl::Options options);
    ~DocumentControlPrivate();

    static DocumentControlPrivate *get(DocumentControl *control) { return control->d.get(); }
    static const DocumentControlPrivate *get(const DocumentControl *control)
    {
        return control->d.get();
    }

    // Lays out the parts and wires them to each other and to the control's signals.
    void setUp();

    // Runs work as one operation of the control: nothing else runs meanwhile, and a failure
    // becomes lastError() and errorOccurred() (an edit that did not apply only the former).
    bool attempt(const std::function<bool()> &work);
    void load(const QString &source);
    void saveFile(const QString &path);
    bool exportDocument(Document &document, const QString &path, const QString &format);
    void printPages(const framer::PrintJob &job);
    void takeFocusUnlessHostHasIt();
    void askForComment();
    void askForComparison();
    void askForAnswer(int commentId);
    void askForNewText(int commentId, const QString &text);
    // What the control's own tools, panel and dialogs could not do is news for their user, in
    // a notice above the document, as well as for the host (errorOccurred).
    void tellIfNotDone(bool done);
    void tell(const QString &message);
    void onDocumentClosed(const QString &message);
    void onDocumentLost();
    void onDocumentRecovered(bool unsavedChanges);

    DocumentControl *const q;
    DocumentControl::Options options;
    std::unique_ptr<FileDialogs> ownDialogs;
    framer::ControlSession *session = nullptr;
    framer::DocumentModel *model = nullptr;
    framer::DocumentView *view = nullptr;
    framer::TransferBar *transfer = nullptr;
    framer::ControlTools *tools = nullptr;
    framer::SheetHeaders *sheetHeaders = nullptr;
    framer::FormulaBar *formulaBar = nullptr;
    framer::SlidePanel *slides = nullptr;
    framer::ReviewPanel *reviewPanel = nullptr;
    QLabel *protectionBanner = nullptr;
    QLabel *recoveryNotice = nullptr;
    QLabel *externalContentNotice = nullptr;
    QLabel *failureNotice = nullptr;
    QTimer *failureNoticeTimer = nullptr;
    QPoint recoveryScroll;
    std::unique_ptr<framer::DocumentEditor> editor;
    framer::DocumentReviewer *reviewer = nullptr;
    QString lastSaveFolder;
    ControlError lastError;
};

} // namespace quillary
