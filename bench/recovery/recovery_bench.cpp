// Measures what the recovery copy costs the user while typing into a 100-page .docx, in one
// run: the engine's answer to each key (a key, then the tile the view would draw again) with no
// recovery copy kept (the anchor), then with it kept; typing in bursts with pauses, as people
// type, and typing without a pause for longer than the copy waits. Also the time one copy
// takes to write.
#include "core/engineclient.h"
#include "figures.h"
#include "flattext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using benchsupport::die;

using namespace engineprotocol;

namespace {

QString writeLongDocument(const QString &folder)
{
    QString pages;
    for (int page = 0; page < 100; ++page) {
        pages +=
            QStringLiteral("<text:p text:style-name=\"Break\">Chapter %1</text:p>").arg(page + 1);
        for (int line = 0; line < 7; ++line)
            pages += QStringLiteral("<text:p>Line %1: typing goes on while the engine keeps a "
                                    "copy of the document for recovery.</text:p>")
                         .arg(line);
    }
    const QString path = folder + QStringLiteral("/long.fodt");
    if (!benchdocuments::writeFlatText(path, pages))
        die(QStringLiteral("cannot write %1").arg(path));
    return path;
}

struct Figures
{
    double median = 0;
    double p95 = 0;
    double worst = 0;
};

Figures figuresOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const auto at = [&](double share) { return values[size_t(share * (values.size() - 1))]; };
    return {at(0.5), at(0.95), values.back()};
}

// Types keys every intervalMs in bursts of burst keys with pauseMs between them; each key is
// followed by the tile the view would draw again. Returns each key's time to that tile (ms).
std::vector<double> type(framer::EngineClient &engine, int keys, int burst, int intervalMs,
                         int pauseMs)
{
    std::vector<double> latencies;
    QEventLoop done;
    QElapsedTimer clock;
    clock.start();
    int sent = 0;
    QTimer cadence;
    cadence.setSingleShot(true);
    QObject::connect(&cadence, &QTimer::timeout, [&] {
        const int character = 'a' + sent % 26;
        const qint64 at = clock.nsecsElapsed();
        engine.post(request::Key{KeyAction::Press, character, 0}, [](Reply *, const auto &) {});
        engine.post(request::Key{KeyAction::Release, character, 0}, [](Reply *, const auto &) {});
        engine.post(request::Tile{0, {0, 0, 3840, 3840}, {256, 256}},
                    [&, at](Reply *reply, const auto &) {
                        if (!reply)
                            die(QStringLiteral("the engine did not draw"));
                        latencies.push_back((clock.nsecsElapsed() - at) / 1e6);
                        if (int(latencies.size()) == keys)
                            done.quit();
                    });
        if (++sent < keys)
            cadence.start(sent % burst == 0 ? pauseMs : intervalMs);
    });
    cadence.start(0);
    done.exec();
    return latencies;
}

void print(const char *label, const Figures &f)
{
    std::printf("  %-48s median %6.1f ms   p95 %6.1f ms   worst %6.1f ms\n", label, f.median, f.p95,
                f.worst);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    if (!work.isValid())
        die(QStringLiteral("no work folder"));
    framer::EngineClient engine({});
    engine.load(writeLongDocument(work.path()), QStringLiteral("long.fodt"));
    const QString docx = work.filePath(QStringLiteral("long.docx"));
    engine.save(docx, QStringLiteral("docx"), QStringLiteral("long.docx"));
    engine.load(docx, QStringLiteral("long.docx"));

    QElapsedTimer timer;
    std::vector<double> writes;
    for (int i = 0; i < 5; ++i) {
        timer.start();
        engine.save(work.filePath(QStringLiteral("copy.docx")), QStringLiteral("docx"), {});
        writes.push_back(timer.nsecsElapsed() / 1e6);
    }
    const int keys = 60;
    // People type in bursts: ten keys 120 ms apart, then a pause longer than the copy waits.
    const Figures burstsAnchor = figuresOf(type(engine, keys, 10, 120, 2500));
    const Figures steadyAnchor = figuresOf(type(engine, 100, 100, 120, 0));

    engine.call<reply::Done>(
        request::KeepRecovery{work.filePath(QStringLiteral("recovery/long.docx")), "docx"}, 30000);
    const Figures bursts = figuresOf(type(engine, keys, 10, 120, 2500));
    const Figures steady = figuresOf(type(engine, 100, 100, 120, 0));
    const bool copied = QFile::exists(work.filePath(QStringLiteral("recovery/long.docx")));

    std::printf("Recovery copy of a 100-page .docx while typing (key, then the tile to draw):\n");
    print("bursts, no recovery copy (anchor)", burstsAnchor);
    print("bursts, recovery copy kept", bursts);
    print("12 s without a pause, no recovery copy (anchor)", steadyAnchor);
    print("12 s without a pause, recovery copy kept", steady);
    std::printf("  writing one copy (median of 5): %.1f ms; copy written: %s\n",
                figuresOf(writes).median, copied ? "yes" : "NO");
    return copied ? 0 : 1;
}
