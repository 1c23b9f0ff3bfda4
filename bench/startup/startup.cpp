// Time from process start to the main window being exposed, for the client and for a bare Qt
// window of the same size, measured alternately in one run. Needs a display (or xvfb-run).
#include "figures.h"
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cstdio>
#include <vector>

using benchsupport::median;

namespace {

double timeToExpose(const QString &program)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLARY_EXIT_ON_EXPOSE"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(program, {});
    while (process.waitForReadyRead(30000)) {
        if (process.readAllStandardOutput().contains("exposed")) {
            const double ms = timer.nsecsElapsed() / 1e6;
            process.waitForFinished(10000);
            return ms;
        }
    }
    process.kill();
    process.waitForFinished();
    std::fprintf(stderr, "%s never reported its window exposed\n", qPrintable(program));
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath();
    const QString client = dir + QStringLiteral("/quillary-demo");
    const QString bare = dir + QStringLiteral("/bench-bare-window");
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;

    timeToExpose(client); // warm the file cache for both
    timeToExpose(bare);
    std::vector<double> clientTimes, bareTimes;
    for (int i = 0; i < runs; ++i) {
        clientTimes.push_back(timeToExpose(client));
        bareTimes.push_back(timeToExpose(bare));
    }
    const double c = median(clientTimes), b = median(bareTimes);
    std::printf("start-up to main window exposed (median of %d runs)\n", runs);
    std::printf("  quillary-demo      %8.1f ms\n", c);
    std::printf("  bare QMainWindow   %8.1f ms\n", b);
    std::printf("  ratio              %8.2f (goal: within 2x)\n", c / b);
    return 0;
}
