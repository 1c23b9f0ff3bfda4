// Word to PDF through the document control's DocumentObject.SaveAs with the engine warm,
// beside `soffice --headless --convert-to pdf` of the same file and the engine's bare export;
// and the same document printed to a PDF printer, whole and its first page alone.

#include "api/documentcontrol_p.h"
#include "automation/dispatch.h"
#include "controldispatch.h"
#include "controldispids.h"
#include "core/controlsession.h"
#include "core/documentmodel.h"
#include "core/engineclient.h"
#include "flattext.h"

#include <quillary/documentcontrol.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Pages = 100;
constexpr int Runs = 5;

QString hundredPages()
{
    QString body;
    for (int page = 1; page <= Pages; ++page) {
        body += page == 1 ? QStringLiteral("<text:p>")
                          : QStringLiteral("<text:p text:style-name=\"Break\">");
        body += QStringLiteral("Page %1</text:p>").arg(page);
        for (int paragraph = 0; paragraph < 6; ++paragraph)
            body += QStringLiteral("<text:p>") +
                    QStringLiteral("The quick brown fox jumps over the lazy dog, and the document "
                                   "control converts every page of it to PDF. ")
                        .repeated(3) +
                    QStringLiteral("</text:p>");
    }
    return body;
}

// Median wall time of runs of work, in seconds.
double median(const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e9);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool convertWithSoffice(const QString &profile, const QString &input, const QString &outDir)
{
    QProcess soffice;
    soffice.start(
        QStringLiteral("soffice"),
        {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
         QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
         QStringLiteral("--outdir"), outDir, input});
    return soffice.waitForFinished(300000) && soffice.exitCode() == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("hundred.docx"));
    {
        // The document is made once as .docx, the format a Word user converts.
        const QString flat = dir.filePath(QStringLiteral("hundred.fodt"));
        if (!benchdocuments::writeFlatText(flat, hundredPages()))
            return 1;
        QProcess soffice;
        soffice.start(QStringLiteral("soffice"),
                      {QStringLiteral("-env:UserInstallation=") +
                           QUrl::fromLocalFile(dir.filePath(QStringLiteral("profile"))).toString(),
                       QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                       QStringLiteral("docx"), QStringLiteral("--outdir"), dir.path(), flat});
        if (!soffice.waitForFinished(300000) || !QFile::exists(input)) {
            std::fprintf(stderr, "convert: soffice could not make the sample document\n");
            return 1;
        }
    }

    const QString sofficeOut = dir.filePath(QStringLiteral("soffice-out"));
    QDir().mkpath(sofficeOut);
    const QString profile = dir.filePath(QStringLiteral("profile"));
    const double soffice = median([&] { convertWithSoffice(profile, input, sofficeOut); });

    const QString driveC = dir.filePath(QStringLiteral("drive_c"));
    quillary::DocumentControl::Options options;
    options.profileRoot = dir.filePath(QStringLiteral("engine-profiles"));
    quillary::DocumentControl widget(options);
    framerdispatch::ControlDispatch control(&widget, driveC);
    namespace dispid = controlcontract::dispid;
    control.invoke(dispid::OpenDocument, automation::InvokeKind::Method,
                   {automation::Variant::bstr(input.toStdString())});
    auto document = control.invoke(dispid::DocumentObject, automation::InvokeKind::PropertyGet, {})
                        .asDispatch();
    framer::EngineClient &engine =
        quillary::DocumentControlPrivate::get(&widget)->session->engine();
    // One export first so both engine figures are warm.
    engine.save(dir.filePath(QStringLiteral("warm.pdf")), QStringLiteral("pdf"), {});

    const double bare = median([&] {
        engine.save(dir.filePath(QStringLiteral("bare.pdf")), QStringLiteral("pdf"),
                    QStringLiteral("bench"));
    });
    const double saveAs = median([&] {
        automation::invokeByName(
            *document, "SaveAs", automation::InvokeKind::Method,
            {automation::Variant::bstr("c:\\a.pdf"), automation::Variant::i2(17)});
    });

    // Printing goes through the same export; a PDF printer takes what a CUPS queue is sent.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("printed.pdf")));
    const double printed = median([&] { widget.print(&printer); });
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(1, 1);
    const double firstPage = median([&] { widget.print(&printer); });

    // The figures count only if the PDF holds every page.
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {driveC + QStringLiteral("/a.pdf")});
    info.waitForFinished(60000);
    const QString pages = QString::fromUtf8(info.readAllStandardOutput())
                              .section(QStringLiteral("Pages:"), 1)
                              .section(QLatin1Char('\n'), 0, 0)
                              .trimmed();
    std::printf("Word to PDF, %d pages (.docx; the PDF has %s pages), median of %d runs\n", Pages,
                qPrintable(pages), Runs);
    std::printf("  soffice --headless --convert-to pdf : %7.3f s\n", soffice);
    std::printf("  engine bare export (anchor)         : %7.3f s\n", bare);
    std::printf("  DocumentObject.SaveAs(\"c:\\a.pdf\",17): %7.3f s\n", saveAs);
    std::printf("  soffice / SaveAs = %.2fx (goal >= 2x); SaveAs / bare = %.2fx (goal <= 1.1x)\n",
                soffice / saveAs, saveAs / bare);
    std::printf("  print(QPrinter) to a PDF printer, whole job : %7.3f s\n", printed);
    std::printf("  print(QPrinter) to a PDF printer, page 1    : %7.3f s\n", firstPage);
    std::printf("  soffice / whole print job = %.2fx\n", soffice / printed);
    return 0;
}
