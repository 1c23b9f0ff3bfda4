// Measures the slide panel of the document control against its anchors, in one run: how long
// a 40-slide presentation takes until every thumbnail is drawn, and the longest the window's
// event loop went without a turn meanwhile, beside the longest pause of the same loop left
// idle for as long, and beside drawing every slide's visible tiles in turn, each awaited.
#include "api/documentcontrol_p.h"
#include "core/controlsession.h"
#include "core/documentmodel.h"
#include "figures.h"
#include "widgets/slides/slidepanel.h"
#include "widgets/view/documentview.h"

#include <quillary/documentcontrol.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using benchsupport::die;

namespace {

constexpr int Slides = 40;

QString makePresentation(const QString &folder)
{
    QString pages;
    for (int slide = 1; slide <= Slides; ++slide)
        pages +=
            QStringLiteral(
                "<draw:page draw:name=\"S%1\" draw:master-page-name=\"Default\">"
                "<draw:frame svg:x=\"2cm\" svg:y=\"2cm\" svg:width=\"20cm\" svg:height=\"3cm\">"
                "<draw:text-box><text:p>Slide %1 of the benchmark</text:p></draw:text-box>"
                "</draw:frame><draw:rect svg:x=\"%2cm\" svg:y=\"8cm\" svg:width=\"4cm\" "
                "svg:height=\"4cm\"/></draw:page>")
                .arg(slide)
                .arg(2 + slide % 20);
    const QString text =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document "
                       "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                       "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
                       "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                       "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
                       "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
                       "office:version=\"1.2\" "
                       "office:mimetype=\"application/vnd.oasis.opendocument.presentation\">"
                       "<office:master-styles><style:master-page style:name=\"Default\"/>"
                       "</office:master-styles><office:body><office:presentation>%1"
                       "</office:presentation></office:body></office:document>")
            .arg(pages);
    const QString path = folder + QStringLiteral("/deck.fodp");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) <= 0)
        die(QStringLiteral("cannot write %1").arg(path));
    return path;
}

// The longest time between two turns of the event loop while it runs until done says so.
struct LoopWatch
{
    qint64 longestMs = 0;
    qint64 elapsedMs = 0;
};

LoopWatch watchLoop(const std::function<bool()> &done, int timeoutMs)
{
    LoopWatch watch;
    QElapsedTimer total;
    QElapsedTimer sinceTurn;
    total.start();
    sinceTurn.start();
    while (!done() && total.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        watch.longestMs = std::max(watch.longestMs, sinceTurn.restart());
    }
    watch.elapsedMs = total.elapsed();
    if (!done())
        die(QStringLiteral("not done within %1 ms").arg(timeoutMs));
    return watch;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTemporaryDir work;
    if (!work.isValid())
        die(QStringLiteral("no temporary folder"));
    const QString deck = makePresentation(work.path());

    quillary::DocumentControl::Options options;
    options.profileRoot = work.filePath(QStringLiteral("profiles"));
    quillary::DocumentControl control(options);
    control.resize(1000, 700);
    control.show();
    auto *panel = quillary::DocumentControlPrivate::get(&control)->slides;
    auto *view = quillary::DocumentControlPrivate::get(&control)->view;
    // The first open starts LibreOffice; it is not counted.
    if (!control.open(deck))
        die(control.lastError().message);
    control.closeDocument();

    const auto iconKeys = [&] {
        QList<qint64> keys;
        for (int row = 0; row < panel->count(); ++row)
            keys << panel->item(row)->icon().cacheKey();
        return keys;
    };
    // The blank thumbnails, as the panel shows them before any is drawn.
    QList<qint64> blank;
    QObject::connect(view, &framer::DocumentView::documentChanged, [&] { blank = iconKeys(); });
    QElapsedTimer opened;
    opened.start();
    if (!control.open(deck))
        die(control.lastError().message);
    const qint64 openMs = opened.elapsed();
    if (blank.size() != Slides)
        die(QStringLiteral("the panel shows %1 slides, not %2").arg(blank.size()).arg(Slides));
    const LoopWatch drawing = watchLoop(
        [&] {
            const QList<qint64> now = iconKeys();
            for (int row = 0; row < now.size(); ++row)
                if (now[row] == blank[row])
                    return false;
            return true;
        },
        120000);
    const qint64 allDrawnMs = opened.elapsed();

    const qint64 idleFor = drawing.elapsedMs;
    QElapsedTimer idle;
    idle.start();
    const LoopWatch idleLoop = watchLoop([&] { return idle.elapsed() >= idleFor; }, idleFor + 1000);

    // Every slide's visible tiles drawn in turn, each awaited, as the view does on opening.
    QElapsedTimer blocking;
    blocking.start();
    for (int slide = 0; slide < Slides; ++slide) {
        view->showPart(slide);
        view->drawNow();
    }
    const qint64 blockingMs = blocking.elapsed();

    std::printf("slide panel, %d slides (engine warm):\n", Slides);
    std::printf("  open returned after %lld ms; every thumbnail drawn %lld ms after the open "
                "began (%.1f ms a slide)\n",
                qint64(openMs), qint64(allDrawnMs), double(allDrawnMs) / Slides);
    std::printf("  longest event-loop pause from then until the last thumbnail: %lld ms\n",
                qint64(drawing.longestMs));
    std::printf("anchors:\n");
    std::printf("  longest pause of the same loop left idle for %lld ms: %lld ms\n",
                qint64(idleFor), qint64(idleLoop.longestMs));
    std::printf("  every slide's visible tiles drawn in turn, each awaited: %lld ms (%.1f ms a "
                "slide)\n",
                qint64(blockingMs), double(blockingMs) / Slides);
    return 0;
}
