// What a decompression bomb costs: the time until the engine refuses bomb.docx (1.5 GiB
// unpacked) and the engine's peak memory then, beside the same figures for opening
// sample.docx in a fresh engine of the same run (the anchor). Also the memory limit the engine
// runs under on this machine, and the time until heavy.docx (90 MiB unpacked, within the
// package rules) meets an engine limited to 1 GiB.
#include "core/controlfailure.h"
#include "core/engineclient.h"
#include "core/enginelimits.h"
#include "testdocuments.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>

#include <cstdio>

namespace {

// A field of /proc/PID/status in MiB.
double statusMiB(qint64 pid, const char *field)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field)) + 1).trimmed().split(' ').first().toDouble() /
                   1024;
    return -1;
}

struct Run
{
    double ms = 0;
    double peakMiB = 0;
    double peakVirtualMiB = 0;
    QString outcome;
};

Run open(const QString &document, quint64 memoryLimit = framer::defaultEngineMemoryLimit())
{
    framer::EngineClient::Options options;
    options.profileRoot = testdocuments::cacheDir() + QStringLiteral("/profiles");
    options.memoryLimitBytes = memoryLimit;
    framer::EngineClient engine(options);
    QSignalSpy ready(&engine, &framer::EngineClient::engineReady);
    engine.start();
    if (!ready.wait(60000)) {
        std::fprintf(stderr, "bench-untrusted: the engine did not start\n");
        std::exit(1);
    }
    Run run;
    QElapsedTimer timer;
    timer.start();
    try {
        engine.load(testdocuments::path(document), document);
        run.outcome = QStringLiteral("opened");
    } catch (const framer::ControlFailure &failure) {
        run.outcome = QStringLiteral("refused (cause %1): %2")
                          .arg(failure.error.cause)
                          .arg(failure.error.detail);
    }
    run.ms = double(timer.nsecsElapsed()) / 1e6;
    // An engine that reached its limit is gone: its peak was the limit.
    run.peakMiB = statusMiB(engine.enginePid(), "VmHWM:");
    run.peakVirtualMiB = engine.isRunning() ? statusMiB(engine.enginePid(), "VmPeak:")
                                            : double(memoryLimit) / (1 << 20);
    return run;
}

void print(const char *label, const Run &run)
{
    const QString resident = run.peakMiB < 0 ? QStringLiteral("(ended)")
                                             : QStringLiteral("%1 MiB").arg(run.peakMiB, 0, 'f', 0);
    std::printf("%-28s %9.0f ms   peak resident %9s   peak virtual %7.0f MiB   %s\n", label, run.ms,
                qPrintable(resident), run.peakVirtualMiB, qPrintable(run.outcome));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::printf("engine memory limit (address space): %.0f MiB; bomb.docx is %.1f MiB, "
                "1536 MiB unpacked\n",
                double(framer::defaultEngineMemoryLimit()) / (1 << 20),
                double(QFile(testdocuments::path(QStringLiteral("bomb.docx"))).size()) / (1 << 20));
    print("sample.docx (anchor)", open(QStringLiteral("sample.docx")));
    print("bomb.docx", open(QStringLiteral("bomb.docx")));
    // Within the package rules, beyond a small engine: the memory limit ends it.
    print("heavy.docx, 1 GiB limit", open(QStringLiteral("heavy.docx"), 1ULL << 30));
    return 0;
}
