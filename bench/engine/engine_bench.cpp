// Measures the document control against its anchors, in one run:
//  - opening a 100-page .docx from the demo web site until the first page is drawn (engine
//    warm), beside LibreOffice's own `soffice --headless --convert-to pdf` of the same file;
//  - DownloadFile of a 200 MB file beside curl of the same address, five runs of each taking
//    turns, with the control's peak memory growth.
#include "api/documentcontrol_p.h"
#include "core/controlsession.h"
#include "core/documentmodel.h"
#include "figures.h"
#include "flattext.h"
#include "widgets/view/documentview.h"

#include <quillary/documentcontrol.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <vector>

using benchsupport::die;
using benchsupport::median;

namespace {

// A line of /proc/self/status in bytes: VmRSS (all resident memory) or RssAnon (the part
// that is not mapped files such as fonts and libraries, which the kernel may drop and
// fault in again on a busy machine).
qint64 residentBytes(const QByteArray &field = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLongLong() * 1024;
    return 0;
}

double runSeconds(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        die(QStringLiteral("%1 failed").arg(program));
    return timer.nsecsElapsed() / 1e9;
}

QString makeLongDocument(const QString &folder, const QString &profile)
{
    QString body;
    for (int page = 1; page <= 100; ++page) {
        body += QStringLiteral("<text:p text:style-name=\"%1\">Page %2</text:p>")
                    .arg(page == 1 ? QStringLiteral("Standard") : QStringLiteral("Break"))
                    .arg(page);
        for (int paragraph = 0; paragraph < 6; ++paragraph)
            body += QStringLiteral("<text:p>Paragraph %1 of page %2: the quick brown fox jumps "
                                   "over the lazy dog, again and again, to fill the line.</text:p>")
                        .arg(paragraph)
                        .arg(page);
    }
    const QString source = folder + QStringLiteral("/long.fodt");
    if (!benchdocuments::writeFlatText(source, body))
        die(QStringLiteral("cannot write %1").arg(source));
    runSeconds(QStringLiteral("soffice"),
               {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                QStringLiteral("--convert-to"), QStringLiteral("docx"), QStringLiteral("--outdir"),
                folder, source});
    return folder + QStringLiteral("/long.docx");
}

int startServer(QProcess &server, const QString &data)
{
    server.start(QStringLiteral(QUILLARY_DEMO_SERVER),
                 {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"), data});
    QByteArray output;
    const QRegularExpression listening(QStringLiteral("listening on http://127.0.0.1:(\\d+)"));
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000 && server.waitForReadyRead(60000)) {
        output += server.readAllStandardOutput();
        const auto match = listening.match(QString::fromUtf8(output));
        if (match.hasMatch())
            return match.captured(1).toInt();
    }
    die(QStringLiteral("the demo web site did not start: %1").arg(QString::fromUtf8(output)));
}

void upload(const QString &base, int id, const QString &path)
{
    runSeconds(QStringLiteral("curl"),
               {QStringLiteral("-sf"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                QStringLiteral("-F"), QStringLiteral("file=@") + path,
                base + QStringLiteral("/quillary/uploadedit.asp?oper=edit&id=%1").arg(id)});
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir work;
    if (!work.isValid())
        die(QStringLiteral("no temporary folder"));
    const QString profile =
        QUrl::fromLocalFile(work.filePath(QStringLiteral("soffice-profile"))).toString();

    std::printf("preparing: a 100-page .docx and a 200 MB file on the demo web site...\n");
    std::fflush(stdout);
    const QString longDocx = makeLongDocument(work.path(), profile);
    const QString big = work.filePath(QStringLiteral("big.bin"));
    {
        QFile file(big);
        if (!file.open(QIODevice::WriteOnly))
            die(QStringLiteral("cannot write %1").arg(big));
        QByteArray chunk(1024 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(1);
        for (int i = 0; i < 200; ++i) {
            generator.fillRange(reinterpret_cast<quint32 *>(chunk.data()), chunk.size() / 4);
            file.write(chunk);
        }
    }
    QProcess server;
    server.setProcessChannelMode(QProcess::SeparateChannels);
    const int port = startServer(server, work.filePath(QStringLiteral("site")));
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
    upload(base, 1, longDocx);
    upload(base, 2, big);
    const QString docAddress =
        base + QStringLiteral("/quillary/writefile.asp?id=1&operfile=office");
    const QString bigAddress =
        base + QStringLiteral("/quillary/writefile.asp?id=2&operfile=office");

    quillary::DocumentControl control;
    control.resize(1000, 800);
    control.show();
    const auto check = [&](bool done) {
        if (!done)
            die(control.lastError().message);
    };

    // Warm the engine: it is started with the control; one open loads LibreOffice's filters.
    check(control.open(longDocx));
    const int pages = quillary::DocumentControlPrivate::get(&control)->model->parts();
    check(control.closeDocument());
    std::vector<double> opens;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        check(control.open(docAddress));
        opens.push_back(timer.nsecsElapsed() / 1e9);
        check(control.closeDocument());
    }
    // The anchor starts LibreOffice anew; a first run creates its profile and is not counted.
    runSeconds(QStringLiteral("soffice"),
               {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                QStringLiteral("--convert-to"), QStringLiteral("pdf"), QStringLiteral("--outdir"),
                work.path(), longDocx});
    const double convert =
        runSeconds(QStringLiteral("soffice"),
                   {QStringLiteral("-env:UserInstallation=") + profile,
                    QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                    QStringLiteral("pdf"), QStringLiteral("--outdir"), work.path(), longDocx});
    std::printf("open %d-page .docx from the demo site to first page drawn (warm engine):\n"
                "  control  median %.3f s  (min %.3f, max %.3f, 5 runs; goal <= 0.2 s)\n"
                "  anchor   soffice --headless --convert-to pdf: %.3f s (cold start)\n",
                pages, median(opens), *std::min_element(opens.begin(), opens.end()),
                *std::max_element(opens.begin(), opens.end()), convert);
    std::fflush(stdout);

    // Download: curl and the control take turns, five runs each, into the same folder.
    const QString curlTarget = work.filePath(QStringLiteral("curl.bin"));
    const QString controlTarget = work.filePath(QStringLiteral("control.bin"));
    std::vector<double> curlRuns;
    std::vector<double> controlRuns;
    qint64 size = 0;
    qint64 growth = 0;
    qint64 anonymousGrowth = 0;
    for (int run = 0; run < 5; ++run) {
        curlRuns.push_back(
            runSeconds(QStringLiteral("curl"),
                       {QStringLiteral("-sf"), QStringLiteral("-o"), curlTarget, bigAddress}));
        size = QFileInfo(curlTarget).size();
        QFile::remove(curlTarget);

        const qint64 before = residentBytes();
        const qint64 anonymousBefore = residentBytes("RssAnon:");
        qint64 peak = before;
        qint64 anonymousPeak = anonymousBefore;
        const auto sample = [&] {
            peak = std::max(peak, residentBytes());
            anonymousPeak = std::max(anonymousPeak, residentBytes("RssAnon:"));
        };
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, sample);
        sampler.start(5);
        QElapsedTimer timer;
        timer.start();
        check(control.download(bigAddress, controlTarget));
        controlRuns.push_back(timer.nsecsElapsed() / 1e9);
        sampler.stop();
        sample();
        growth = std::max(growth, peak - before);
        anonymousGrowth = std::max(anonymousGrowth, anonymousPeak - anonymousBefore);
        if (QFileInfo(controlTarget).size() != size)
            die(QStringLiteral("downloaded %1 bytes, curl %2")
                    .arg(QFileInfo(controlTarget).size())
                    .arg(size));
        QFile::remove(controlTarget);
    }
    const double mb = size / 1e6;
    const double curlSeconds = median(curlRuns);
    const double controlSeconds = median(controlRuns);
    std::printf("DownloadFile of %.0f MB from the demo site, median of 5 runs each:\n"
                "  control  %.3f s = %.0f MB/s (runs %.3f to %.3f s), peak memory growth %.1f MB "
                "(goal < 32 MB; anonymous memory %.1f MB)\n"
                "  anchor   curl %.3f s = %.0f MB/s (runs %.3f to %.3f s)\n"
                "  ratio    %.0f%% of curl's throughput (goal >= 90%%)\n",
                mb, controlSeconds, mb / controlSeconds,
                *std::min_element(controlRuns.begin(), controlRuns.end()),
                *std::max_element(controlRuns.begin(), controlRuns.end()), growth / 1e6,
                anonymousGrowth / 1e6, curlSeconds, mb / curlSeconds,
                *std::min_element(curlRuns.begin(), curlRuns.end()),
                *std::max_element(curlRuns.begin(), curlRuns.end()),
                100.0 * curlSeconds / controlSeconds);
    server.terminate();
    server.waitForFinished(5000);
    return 0;
}
