#include <quillary/documentcontrol.h>
#include <quillary/filedialogs.h>

#include "cellediting.h"
#include "controlfailure.h"
#include "controlsession.h"
#include "controltools.h"
#include "documenteditor.h"
#include "documentview.h"
#include "editingtoolbar.h"
#include "findbar.h"
#include "formatrules.h"
#include "formulabar.h"
#include "slidepanel.h"
#include "slidethumbnails.h"
#include "transferbar.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QStandardPaths>
#include <QVBoxLayout>

using namespace engineprotocol;

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

DocumentKind publicKind(engineprotocol::DocumentKind kind)
{
    switch (kind) {
    case engineprotocol::DocumentKind::Text:
        return DocumentKind::Text;
    case engineprotocol::DocumentKind::Spreadsheet:
        return DocumentKind::Spreadsheet;
    case engineprotocol::DocumentKind::Presentation:
        return DocumentKind::Presentation;
    case engineprotocol::DocumentKind::Drawing:
        return DocumentKind::Drawing;
    case engineprotocol::DocumentKind::Other:
        break;
    }
    return DocumentKind::Other;
}

QString keptRecoveryFolder(const QString &chosen)
{
    if (!chosen.isEmpty())
        return chosen;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/quillary/recovered");
}

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
    : QWidget(parent), m_options(std::move(options))
{
    setObjectName(QStringLiteral("Quillary1"));
    setAccessibleName(QStringLiteral("文档控件"));
    setFocusPolicy(Qt::StrongFocus);
    // The tool bar does not cover all of its row; nothing behind the control shows through.
    setAutoFillBackground(true);
    if (!m_options.network)
        m_options.network = new QNetworkAccessManager(this);
    if (!m_options.fileDialogs) {
        m_ownDialogs = std::make_unique<QtFileDialogs>();
        m_options.fileDialogs = m_ownDialogs.get();
    }
    m_session = new framer::ControlSession(m_options.network,
                                           {m_options.enginePath, m_options.profileRoot,
                                            m_options.loadTimeoutMs, m_options.callTimeoutMs},
                                           keptRecoveryFolder(m_options.keptRecoveryFolder), this);
    m_editor = std::make_unique<framer::DocumentEditor>(*m_session);
    m_view = new framer::DocumentView(&m_session->engine(), this);
    m_transfer = new framer::TransferBar(m_view);
    m_tools = new framer::ControlTools(&m_session->engine(), m_view, this);
    m_protectionBanner =
        banner(QStringLiteral("文档处于保护状态，不能编辑"), QStringLiteral("文档保护状态"),
               QStringLiteral("background: #fff4ce; color: #5c3c00; padding: 3px;"), this);
    m_recoveryNotice =
        banner({}, QStringLiteral("文档恢复提示"),
               QStringLiteral("background: #dff6dd; color: #0e4a0e; padding: 3px;"), this);
    // A spreadsheet's formula bar above the view, a presentation's slides beside it; each
    // shows with its kind of document.
    auto *formulaBar = new framer::FormulaBar(this);
    new framer::CellEditing(&m_session->engine(), m_view, formulaBar);
    auto *slides = new framer::SlidePanel(this);
    new framer::SlideThumbnails(&m_session->engine(), m_view, slides);
    connect(this, &DocumentControl::protectionChanged, formulaBar,
            [formulaBar](bool on) { formulaBar->setEditable(!on); });
    setFocusProxy(m_view);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The tools on top, the document below them.
    layout->addWidget(m_tools->toolBar());
    layout->addWidget(m_tools->findBar());
    layout->addWidget(m_recoveryNotice);
    layout->addWidget(m_protectionBanner);
    layout->addWidget(formulaBar);
    auto *body = new QHBoxLayout;
    body->setSpacing(0);
    body->addWidget(slides);
    body->addWidget(m_view, 1);
    layout->addLayout(body, 1);

    connect(m_session, &framer::ControlSession::transferStarted, m_transfer,
            &framer::TransferBar::start);
    connect(m_session, &framer::ControlSession::transferProgress, m_transfer,
            &framer::TransferBar::setProgress);
    connect(m_session, &framer::ControlSession::transferProgress, this,
            &DocumentControl::transferProgress);
    connect(m_session, &framer::ControlSession::transferEnded, m_transfer, &QWidget::hide);
    connect(m_session, &framer::ControlSession::documentClosed, this,
            &DocumentControl::onDocumentClosed);
    connect(m_session, &framer::ControlSession::documentLost, this,
            &DocumentControl::onDocumentLost);
    connect(m_session, &framer::ControlSession::documentRecovered, this,
            &DocumentControl::onDocumentRecovered);
    connect(m_session, &framer::ControlSession::recoveryFailed, this,
            [this](const QString &message) {
                emit errorOccurred(ControlError{ControlError::Failed, message});
            });
    connect(m_session, &framer::ControlSession::busyChanged, m_tools,
            &framer::ControlTools::setBusy);
    connect(m_tools, &framer::ControlTools::failed, this, [this](const QString &message) {
        emit errorOccurred({ControlError::Failed, message});
    });
    connect(m_view, &framer::DocumentView::zoomChanged, this, &DocumentControl::zoomChanged);
}

DocumentControl::~DocumentControl() = default;

bool DocumentControl::attempt(const std::function<bool()> &work)
{
    m_lastError = {};
    try {
        bool result = true;
        m_session->exclusive([&] { result = work(); });
        return result;
    } catch (const framer::ControlFailure &failure) {
        m_lastError = failure.error;
    }
    // An edit that did not apply is an answer, not a failure; the log still says why.
    if (m_lastError.code == ControlError::NotApplied)
        qCInfo(lcFramer).noquote() << "not applied:" << m_lastError.message;
    else
        emit errorOccurred(m_lastError);
    return false;
}

bool DocumentControl::open(const QString &pathOrAddress)
{
    return attempt([&] {
        load(pathOrAddress);
        return true;
    });
}

// A document opened from one of the host's own controls (a list, a button) leaves the focus
// there, so keyboard use of that control goes on; otherwise typing goes into the document.
void DocumentControl::takeFocusUnlessHostHasIt()
{
    const QWidget *focused = QApplication::focusWidget();
    const bool hostHasIt =
        focused && focused != this && !isAncestorOf(focused) && focused->window() == window();
    if (isVisible() && !hostHasIt)
        m_view->setFocus(Qt::OtherFocusReason);
}

void DocumentControl::load(const QString &source)
{
    m_view->resetPlace();
    m_session->open(source);
    m_recoveryNotice->hide();
    const framer::LoadedDocument &document = *m_session->document();
    m_view->setDocument(document.info);
    m_tools->setDocument(document.info.kind);
    showProtection(document.info.isProtected);
    emit documentChanged();
    takeFocusUnlessHostHasIt();
    m_view->drawNow();
}

bool DocumentControl::save(const QString &path)
{
    return attempt([&] {
        saveFile(path);
        return true;
    });
}

void DocumentControl::saveFile(const QString &path)
{
    m_lastSaveFolder = QFileInfo(m_session->saveTo(path)).absolutePath();
    m_recoveryNotice->hide();
}

bool DocumentControl::upload(const QString &address)
{
    return attempt([&] {
        m_session->upload(address);
        m_recoveryNotice->hide();
        return true;
    });
}

bool DocumentControl::download(const QString &address, const QString &path)
{
    return attempt([&] {
        m_session->download(address, path);
        return true;
    });
}

bool DocumentControl::closeDocument()
{
    return attempt([&] {
        m_session->close();
        return true;
    });
}

bool DocumentControl::showOpenDialog()
{
    return attempt([&] {
        const QString path = m_options.fileDialogs->openFileName(this, QStringLiteral("打开文档"),
                                                                 framer::openDialogFilter());
        if (!path.isEmpty())
            load(path);
        return true;
    });
}

bool DocumentControl::showSaveDialog()
{
    return attempt([&] {
        if (!hasDocument())
            framer::fail(QStringLiteral("没有打开的文档，无法保存"));
        const framer::LoadedDocument &document = *m_session->document();
        QString suggested = QFileInfo(document.name).completeBaseName();
        if (suggested.isEmpty())
            suggested = QStringLiteral("document");
        const QString folder = m_lastSaveFolder.isEmpty() ? m_options.saveFolder : m_lastSaveFolder;
        const QString path = m_options.fileDialogs->saveFileName(
            this, QStringLiteral("保存文档"),
            QDir(folder).filePath(suggested + QLatin1Char('.') + document.format),
            framer::saveDialogFilter(document.info.kind, document.format));
        if (!path.isEmpty())
            saveFile(path);
        return true;
    });
}

bool DocumentControl::hasDocument() const
{
    return m_session->document().has_value();
}

QString DocumentControl::documentName() const
{
    return hasDocument() ? m_session->document()->name : QString();
}

DocumentKind DocumentControl::documentKind() const
{
    return hasDocument() ? publicKind(m_session->document()->info.kind) : DocumentKind::None;
}

std::shared_ptr<Document> DocumentControl::document()
{
    std::shared_ptr<Document> document;
    attempt([&] {
        const auto &loaded = m_session->requireDocument(QStringLiteral("DocumentObject"));
        document.reset(new Document(this, publicKind(loaded.info.kind), loaded.serial));
        return true;
    });
    return document;
}

bool DocumentControl::isProtected() const
{
    return !m_protectionBanner->isHidden();
}

void DocumentControl::setToolBarVisible(bool visible)
{
    m_tools->toolBar()->setVisible(visible);
}

bool DocumentControl::isToolBarVisible() const
{
    return !m_tools->toolBar()->isHidden();
}

void DocumentControl::setZoom(const Zoom &zoom)
{
    m_view->setZoom(zoom);
}

Zoom DocumentControl::zoom() const
{
    return m_view->zoom();
}

void DocumentControl::showProtection(bool on)
{
    m_tools->setProtected(on);
    if (on == isProtected())
        return;
    m_protectionBanner->setVisible(on);
    emit protectionChanged(on);
}

void DocumentControl::onDocumentClosed(const QString &message)
{
    m_view->clearDocument(message);
    m_recoveryNotice->hide();
    m_tools->setDocument(std::nullopt);
    showProtection(false);
    emit documentChanged();
}

void DocumentControl::onDocumentLost()
{
    // Where the user was, to come back to once the document is back.
    m_recoveryScroll = m_view->scrollPosition();
    const framer::RecoveryPoint point{m_view->document().part, m_view->firstVisibleTile()};
    m_view->clearDocument(QStringLiteral("文档引擎意外停止，正在恢复文档……"));
    m_tools->setDocument(std::nullopt);
    m_session->recover(point, isProtected());
}

void DocumentControl::onDocumentRecovered(bool unsavedChanges)
{
    m_view->setDocument(m_session->document()->info);
    m_tools->setDocument(m_session->document()->info.kind);
    m_view->scrollTo(m_recoveryScroll);
    showProtection(m_session->document()->info.isProtected);
    m_recoveryNotice->setText(
        unsavedChanges ? QStringLiteral("文档引擎意外停止，已重新启动并恢复了未保存的修改。")
                       : QStringLiteral("文档引擎意外停止，已重新启动并重新打开了文档。"));
    m_recoveryNotice->show();
    emit documentRecovered(unsavedChanges);
}

} // namespace quillary
