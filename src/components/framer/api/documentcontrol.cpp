#include "api/documentcontrol_p.h"

#include <quillary/filedialogs.h>

#include "core/controlfailure.h"
#include "core/controlsession.h"
#include "core/documenteditor.h"
#include "core/documentmodel.h"
#include "core/documentreviewer.h"
#include "core/enginelimits.h"
#include "core/username.h"
#include "widgets/review/reviewpanel.h"
#include "widgets/sheets/cellediting.h"
#include "widgets/sheets/formulabar.h"
#include "widgets/sheets/sheetheaders.h"
#include "widgets/slides/slidepanel.h"
#include "widgets/slides/slidethumbnails.h"
#include "widgets/tools/controltools.h"
#include "widgets/tools/editingtoolbar.h"
#include "widgets/tools/findbar.h"
#include "widgets/transfer/transferbar.h"
#include "widgets/view/documentview.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

// The control's making, the one way its operations run, and what it does when its engine dies.
namespace quillary {

namespace {

class QtFileDialogs : public FileDialogs
{
public:
    QString openFileName(QWidget *parent, const QString &caption, const QString &filter) override
    {
        return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
    }
    QString saveFileName(QWidget *parent, const QString &caption, const QString &suggestedPath,
                         const QString &filter) override
    {
        return QFileDialog::getSaveFileName(parent, caption, suggestedPath, filter);
    }
};

QString keptRecoveryFolder(const QString &chosen)
{
    if (!chosen.isEmpty())
        return chosen;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/quillary/recovered");
}

framer::EngineClient::Options engineOptions(const DocumentControl::Options &options)
{
    framer::EngineClient::Options engine;
    engine.enginePath = options.enginePath;
    engine.profileRoot = options.profileRoot;
    engine.loadTimeoutMs = options.loadTimeoutMs;
    engine.callTimeoutMs = options.callTimeoutMs;
    if (options.linkedContent.policy == DocumentControl::Options::LinkedContent::AllowListedHosts)
        engine.allowedHosts = options.linkedContent.hosts;
    if (options.engineMemoryLimit == 0)
        engine.memoryLimitBytes = framer::defaultEngineMemoryLimit();
    else if (options.engineMemoryLimit > 0)
        engine.memoryLimitBytes = quint64(options.engineMemoryLimit);
    return engine;
}

// How long a notice of what the control's own tools could not do stays.
constexpr int FailureNoticeMs = 8000;

QLabel *banner(const QString &text, const QString &accessibleName, const QString &style,
               QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAccessibleName(accessibleName);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setStyleSheet(style);
    label->hide();
    return label;
}

} // namespace

DocumentControl::DocumentControl(QWidget *parent) : DocumentControl(Options(), parent) {}

DocumentControl::DocumentControl(Options options, QWidget *parent)
    : QWidget(parent), d(std::make_unique<DocumentControlPrivate>(this, std::move(options)))
{
    d->setUp();
}

DocumentControl::~DocumentControl() = default;

ControlError DocumentControl::lastError() const
{
    return d->lastError;
}

DocumentControlPrivate::DocumentControlPrivate(DocumentControl *control,
                                               DocumentControl::Options chosen)
    : q(control), options(std::move(chosen))
{
}

DocumentControlPrivate::~DocumentControlPrivate() = default;

void DocumentControlPrivate::setUp()
{
    q->setObjectName(QStringLiteral("Quillary1"));
    q->setAccessibleName(QStringLiteral("文档控件"));
    q->setFocusPolicy(Qt::StrongFocus);
    // The tool bar does not cover all of its row; nothing behind the control shows through.
    q->setAutoFillBackground(true);
    if (!options.network)
        options.network = new QNetworkAccessManager(q);
    if (!options.fileDialogs) {
        ownDialogs = std::make_unique<QtFileDialogs>();
        options.fileDialogs = ownDialogs.get();
    }
    session = new framer::ControlSession(options.network, engineOptions(options),
                                         keptRecoveryFolder(options.keptRecoveryFolder), q);
    model = &session->model();
    editor = std::make_unique<framer::DocumentEditor>(*session);
    reviewer = new framer::DocumentReviewer(*session, q);
    session->engine().setUserSettings({framer::accountUserName(), false});
    view = new framer::DocumentView(&session->engine(), model, q);
    sheetHeaders = new framer::SheetHeaders(&session->engine(), view);
    transfer = new framer::TransferBar(view);
    tools = new framer::ControlTools(&session->engine(), view, q);
    protectionBanner =
        banner(QStringLiteral("文档处于保护状态，不能编辑"), QStringLiteral("文档保护状态"),
               QStringLiteral("background: #fff4ce; color: #5c3c00; padding: 3px;"), q);
    recoveryNotice =
        banner({}, QStringLiteral("文档恢复提示"),
               QStringLiteral("background: #dff6dd; color: #0e4a0e; padding: 3px;"), q);
    externalContentNotice =
        banner(QStringLiteral("文档中的外部内容已被阻止"), QStringLiteral("外部内容提示"),
               QStringLiteral("background: #fff4ce; color: #5c3c00; padding: 3px;"), q);
    failureNotice = banner({}, QStringLiteral("操作提示"),
                           QStringLiteral("background: #fde7e9; color: #6e0811; padding: 3px;"), q);
    failureNoticeTimer = new QTimer(q);
    failureNoticeTimer->setSingleShot(true);
    failureNoticeTimer->setInterval(FailureNoticeMs);
    QObject::connect(failureNoticeTimer, &QTimer::timeout, failureNotice, &QWidget::hide);
    // A spreadsheet's formula bar above the view, a presentation's slides beside it; each
    // shows with its kind of document.
    formulaBar = new framer::FormulaBar(q);
    new framer::CellEditing(&session->engine(), view, formulaBar);
    reviewPanel = new framer::ReviewPanel(&session->engine(), reviewer, model, q);
    slides = new framer::SlidePanel(q);
    new framer::SlideThumbnails(&session->engine(), view, slides);
    q->setFocusProxy(view);
    auto *layout = new QVBoxLayout(q);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The tools on top, the document below them.
    layout->addWidget(tools->toolBar());
    layout->addWidget(tools->toolBar()->reviewBar());
    layout->addWidget(tools->findBar());
    layout->addWidget(recoveryNotice);
    layout->addWidget(externalContentNotice);
    layout->addWidget(failureNotice);
    layout->addWidget(protectionBanner);
    layout->addWidget(formulaBar);
    auto *body = new QHBoxLayout;
    body->setSpacing(0);
    body->addWidget(slides);
    body->addWidget(view, 1);
    body->addWidget(reviewPanel);
    layout->addLayout(body, 1);

    // Only where the engine fetches none of it; allowed hosts' content shows as it is.
    QObject::connect(model, &framer::DocumentModel::documentChanged, q, [this] {
        externalContentNotice->setVisible(model->hasDocument() &&
                                          model->info().namesExternalContent &&
                                          session->engine().options().allowedHosts.isEmpty());
    });
    QObject::connect(model, &framer::DocumentModel::protectionChanged, q, [this](bool on) {
        protectionBanner->setVisible(on);
        formulaBar->setEditable(!on && !model->isReadOnly());
        emit q->protectionChanged(on);
    });
    QObject::connect(model, &framer::DocumentModel::readOnlyChanged, q, [this](bool on) {
        formulaBar->setEditable(!on && !model->isProtected());
        emit q->readOnlyChanged(on);
    });
    QObject::connect(reviewer, &framer::DocumentReviewer::changesChanged, q,
                     &DocumentControl::trackedChangesChanged);
    QObject::connect(reviewer, &framer::DocumentReviewer::commentsChanged, q,
                     &DocumentControl::commentsChanged);
    QObject::connect(session, &framer::ControlSession::transferStarted, transfer,
                     &framer::TransferBar::start);
    QObject::connect(session, &framer::ControlSession::transferProgress, transfer,
                     &framer::TransferBar::setProgress);
    QObject::connect(session, &framer::ControlSession::transferProgress, q,
                     &DocumentControl::transferProgress);
    QObject::connect(session, &framer::ControlSession::transferEnded, transfer, &QWidget::hide);
    QObject::connect(session, &framer::ControlSession::documentClosed, q,
                     [this](const QString &message) { onDocumentClosed(message); });
    QObject::connect(session, &framer::ControlSession::documentLost, q,
                     [this] { onDocumentLost(); });
    QObject::connect(session, &framer::ControlSession::documentRecovered, q,
                     [this](bool unsavedChanges) { onDocumentRecovered(unsavedChanges); });
    QObject::connect(session, &framer::ControlSession::recoveryFailed, q,
                     [this](const QString &message) {
                         emit q->errorOccurred(ControlError{ControlError::Failed, message});
                     });
    QObject::connect(session, &framer::ControlSession::busyChanged, tools,
                     &framer::ControlTools::setBusy);
    QObject::connect(tools, &framer::ControlTools::failed, q, [this](const QString &message) {
        emit q->errorOccurred({ControlError::Failed, message});
        tell(message);
    });
    QObject::connect(view, &framer::DocumentView::zoomChanged, q, &DocumentControl::zoomChanged);
    QObject::connect(tools, &framer::ControlTools::printRequested, q,
                     [this] { tellIfNotDone(q->showPrintDialog()); });
    QObject::connect(tools, &framer::ControlTools::printPreviewRequested, q,
                     [this] { tellIfNotDone(q->showPrintPreview()); });
    QObject::connect(tools, &framer::ControlTools::commentRequested, q,
                     [this] { askForComment(); });
    QObject::connect(tools, &framer::ControlTools::compareRequested, q,
                     [this] { askForComparison(); });
    QObject::connect(reviewPanel, &framer::ReviewPanel::acceptRequested, q,
                     [this](int id) { tellIfNotDone(q->acceptChange(id)); });
    QObject::connect(reviewPanel, &framer::ReviewPanel::rejectRequested, q,
                     [this](int id) { tellIfNotDone(q->rejectChange(id)); });
    QObject::connect(reviewPanel, &framer::ReviewPanel::replyRequested, q,
                     [this](int id) { askForAnswer(id); });
    QObject::connect(reviewPanel, &framer::ReviewPanel::editRequested, q,
                     [this](int id, const QString &text) { askForNewText(id, text); });
    QObject::connect(reviewPanel, &framer::ReviewPanel::deleteRequested, q,
                     [this](int id) { tellIfNotDone(q->deleteComment(id)); });
}

bool DocumentControlPrivate::attempt(const std::function<bool()> &work)
{
    lastError = {};
    try {
        bool result = true;
        session->exclusive([&] { result = work(); });
        return result;
    } catch (const framer::ControlFailure &failure) {
        lastError = failure.error;
    }
    // An edit that did not apply is an answer, not a failure; the log still says why.
    if (lastError.code == ControlError::NotApplied)
        qCInfo(lcFramer).noquote() << "not applied:" << lastError.message;
    else
        emit q->errorOccurred(lastError);
    return false;
}

void DocumentControlPrivate::tell(const QString &message)
{
    failureNotice->setText(message);
    failureNotice->show();
    failureNoticeTimer->start();
}

void DocumentControlPrivate::onDocumentClosed(const QString &message)
{
    view->setMessage(message);
    recoveryNotice->hide();
    failureNotice->hide();
    emit q->documentChanged();
}

void DocumentControlPrivate::onDocumentLost()
{
    // Where the user was, to come back to once the document is back.
    recoveryScroll = view->scrollPosition();
    const framer::RecoveryPoint point{model->part(), view->firstVisibleTile()};
    session->recover(point);
    view->setMessage(QStringLiteral("文档引擎意外停止，正在恢复文档……"));
}

void DocumentControlPrivate::onDocumentRecovered(bool unsavedChanges)
{
    view->scrollTo(recoveryScroll);
    recoveryNotice->setText(
        unsavedChanges ? QStringLiteral("文档引擎意外停止，已重新启动并恢复了未保存的修改。")
                       : QStringLiteral("文档引擎意外停止，已重新启动并重新打开了文档。"));
    recoveryNotice->show();
    emit q->documentRecovered(unsavedChanges);
}

} // namespace quillary
