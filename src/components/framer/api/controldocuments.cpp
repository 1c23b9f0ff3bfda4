#include "api/documentcontrol_p.h"

#include <quillary/filedialogs.h>

#include "core/controlfailure.h"
#include "core/controlsession.h"
#include "core/formatrules.h"
#include "widgets/view/documentview.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

// The control's documents and transfers: open, save, upload, download, close, and the
// document object.
namespace quillary {

namespace {

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

} // namespace

bool DocumentControl::open(const QString &pathOrAddress)
{
    return d->attempt([&] {
        d->load(pathOrAddress);
        return true;
    });
}

// A document opened from one of the host's own controls (a list, a button) leaves the focus
// there, so keyboard use of that control goes on; otherwise typing goes into the document.
void DocumentControlPrivate::takeFocusUnlessHostHasIt()
{
    const QWidget *focused = QApplication::focusWidget();
    const bool hostHasIt =
        focused && focused != q && !q->isAncestorOf(focused) && focused->window() == q->window();
    if (q->isVisible() && !hostHasIt)
        view->setFocus(Qt::OtherFocusReason);
}

void DocumentControlPrivate::load(const QString &source)
{
    view->resetPlace();
    session->open(source);
    recoveryNotice->hide();
    emit q->documentChanged();
    takeFocusUnlessHostHasIt();
    // The document is open: a first screen the engine does not draw at once is drawn as the
    // view asks for it again, and does not make the open a failure.
    try {
        view->drawNow();
    } catch (const framer::ControlFailure &failure) {
        qCWarning(lcFramer).noquote() << "first screen not drawn:" << failure.error.message;
        view->viewport()->update();
    }
}

bool DocumentControl::save(const QString &path)
{
    return d->attempt([&] {
        d->saveFile(path);
        return true;
    });
}

void DocumentControlPrivate::saveFile(const QString &path)
{
    lastSaveFolder = QFileInfo(session->saveTo(path)).absolutePath();
    recoveryNotice->hide();
}

bool DocumentControl::upload(const QString &address)
{
    return d->attempt([&] {
        d->session->upload(address);
        d->recoveryNotice->hide();
        return true;
    });
}

bool DocumentControl::download(const QString &address, const QString &path)
{
    return d->attempt([&] {
        d->session->download(address, path);
        return true;
    });
}

bool DocumentControl::closeDocument()
{
    return d->attempt([&] {
        d->session->close();
        return true;
    });
}

bool DocumentControl::showOpenDialog()
{
    return d->attempt([&] {
        const QString path = d->options.fileDialogs->openFileName(this, QStringLiteral("打开文档"),
                                                                  framer::openDialogFilter());
        if (!path.isEmpty())
            d->load(path);
        return true;
    });
}

bool DocumentControl::showSaveDialog()
{
    return d->attempt([&] {
        if (!hasDocument())
            framer::fail(QStringLiteral("没有打开的文档，无法保存"));
        const framer::LoadedDocument &document = *d->session->document();
        QString suggested = QFileInfo(document.name).completeBaseName();
        if (suggested.isEmpty())
            suggested = QStringLiteral("document");
        const QString folder =
            d->lastSaveFolder.isEmpty() ? d->options.saveFolder : d->lastSaveFolder;
        const QString path = d->options.fileDialogs->saveFileName(
            this, QStringLiteral("保存文档"),
            QDir(folder).filePath(suggested + QLatin1Char('.') + document.format),
            framer::saveDialogFilter(document.kind, document.format));
        if (!path.isEmpty())
            d->saveFile(path);
        return true;
    });
}

bool DocumentControl::hasDocument() const
{
    return d->session->document().has_value();
}

QString DocumentControl::documentName() const
{
    return hasDocument() ? d->session->document()->name : QString();
}

DocumentKind DocumentControl::documentKind() const
{
    return hasDocument() ? publicKind(d->session->document()->kind) : DocumentKind::None;
}

std::shared_ptr<Document> DocumentControl::document()
{
    std::shared_ptr<Document> document;
    d->attempt([&] {
        const auto &loaded = d->session->requireDocument(QStringLiteral("DocumentObject"));
        document.reset(new Document(this, publicKind(loaded.kind), loaded.serial));
        return true;
    });
    return document;
}

} // namespace quillary
