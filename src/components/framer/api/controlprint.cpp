#include "api/documentcontrol_p.h"

#include "core/controlfailure.h"
#include "core/controlsession.h"
#include "core/printing.h"
#include "widgets/tools/printpreview.h"
#include "widgets/transfer/transferbar.h"

#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QScopeGuard>

// Printing: the engine lays the pages out as PDF, which goes to CUPS or to the printer's file.
namespace quillary {

namespace {

framer::PrintJob printJobOf(const QPrinter &printer, const QString &title)
{
    framer::PrintJob job;
    if (printer.outputFormat() == QPrinter::PdfFormat)
        job.outputFile = printer.outputFileName();
    else
        job.printer = printer.printerName();
    job.title = title;
    job.copies = printer.copyCount();
    job.collate = printer.collateCopies();
    switch (printer.duplex()) {
    case QPrinter::DuplexAuto:
    case QPrinter::DuplexLongSide:
        job.sides = framer::Sides::LongEdge;
        break;
    case QPrinter::DuplexShortSide:
        job.sides = framer::Sides::ShortEdge;
        break;
    case QPrinter::DuplexNone:
        break;
    }
    if (printer.printRange() == QPrinter::PageRange) {
        job.fromPage = printer.fromPage();
        job.toPage = printer.toPage();
    }
    return job;
}

} // namespace

void DocumentControlPrivate::printPages(const framer::PrintJob &job)
{
    if (job.outputFile.isEmpty() && job.printer.isEmpty())
        framer::fail(QStringLiteral("无法打印“%1”：没有可用的打印机，请先在系统中添加打印机")
                         .arg(job.title));
    // 取消 stops waiting for the pages: nothing reaches the printer, and the engine's late PDF
    // lands in a folder that is gone.
    const QString cancelled = QStringLiteral("已取消打印“%1”").arg(job.title);
    const auto offer =
        QObject::connect(transfer, &framer::TransferBar::cancelRequested, q,
                         [this, cancelled] { session->engine().abandonWaits(cancelled); });
    const auto withdraw = qScopeGuard([offer] { QObject::disconnect(offer); });
    session->showActivity(QStringLiteral("正在打印"), job.title, [&] {
        transfer->offerCancel();
        if (!job.outputFile.isEmpty())
            return session->exportPdf(job.outputFile, framer::pdfExportOptions(job));
        const QString folder = session->newWorkFolder(QStringLiteral("print"));
        const auto cleanUp = qScopeGuard([folder] { QDir(folder).removeRecursively(); });
        const QString pdf = folder + QStringLiteral("/print.pdf");
        session->exportPdf(pdf, framer::pdfExportOptions(job));
        framer::submitToCups(pdf, job);
    });
}

bool DocumentControl::print(QPrinter *printer)
{
    return d->attempt([&] {
        const auto &document = d->session->requireDocument(QStringLiteral("打印"));
        if (!printer)
            framer::fail(ControlError::InvalidArgument, QStringLiteral("没有指定打印机"));
        d->printPages(printJobOf(*printer, document.name));
        return true;
    });
}

bool DocumentControl::showPrintDialog()
{
    return d->attempt([&] {
        const auto &document = d->session->requireDocument(QStringLiteral("打印"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(document.name);
        QPrintDialog dialog(&printer, this);
        dialog.setWindowTitle(QStringLiteral("打印 - %1").arg(document.name));
        if (dialog.exec() == QDialog::Accepted)
            d->printPages(printJobOf(printer, document.name));
        return true;
    });
}

bool DocumentControl::showPrintPreview()
{
    bool printAfterwards = false;
    const bool shown = d->attempt([&] {
        const auto &document = d->session->requireDocument(QStringLiteral("打印预览"));
        const QString folder = d->session->newWorkFolder(QStringLiteral("preview"));
        const auto cleanUp = qScopeGuard([folder] { QDir(folder).removeRecursively(); });
        const QString pdf = folder + QStringLiteral("/preview.pdf");
        d->session->exportPdf(pdf, {});
        framer::PrintPreview preview(pdf, document.name, this);
        printAfterwards = preview.exec() == QDialog::Accepted;
        return true;
    });
    // The print dialog is an operation of its own, once the preview's is over.
    return shown && (!printAfterwards || showPrintDialog());
}

} // namespace quillary
