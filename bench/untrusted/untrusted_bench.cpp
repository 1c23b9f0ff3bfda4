// What a decompression bomb costs: the time until the engine refuses bomb.docx (1.5 GiB
// unpacked) and the engine's peak memory then, beside the same figures for opening
// sample.docx in a fresh engine of the same run (the anchor). Also the memory limit the engine
// runs under on this machine.
#include "core/controlfailure.h"
#include "core/engineclient.h"
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

Run open(const QString &document)
{
    framer::EngineClient::Options options;
    options.profileRoot = testdocuments::cacheDir() + QStringLiteral("/profiles");
    options.memoryLimitBytes = framer::defaultEngineMemoryLimit();
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
    run.peakMiB = statusMiB(engine.enginePid(), "VmHWM:");
    run.peakVirtualMiB = statusMiB(engine.enginePid(), "VmPeak:");
    return run;
}

void print(const char *label, const Run &run)
{
    std::printf("%-28s %9.0f ms   peak resident %7.0f MiB   peak virtual %7.0f MiB   %s\n", label,
                run.ms, run.peakMiB, run.peakVirtualMiB, qPrintable(run.outcome));
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
    return 0;
}
