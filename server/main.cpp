// quillary-demo-server: the demonstration web site the client talks to.
#include "listener.h"
#include "options.h"
#include "site.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <pthread.h>
#include <thread>

using namespace quillary::server;

int main(int argc, char *argv[])
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto parsed =
        parseOptions(arguments, defaultDataDir(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")));
    if (parsed.help) {
        std::fputs(usage(argv[0]).c_str(), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "quillary-demo-server: %s\n%s", parsed.error.c_str(),
                     usage(argv[0]).c_str());
        return 2;
    }
    const ServerOptions &options = *parsed.options;

    // SIGINT and SIGTERM are taken by a thread of their own, so the server stops cleanly.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // The port first: a site that cannot have it leaves the data folder alone.
    UniqueFd listening;
    std::unique_ptr<DemoSite> site;
    try {
        listening = openListener(options.address, options.port);
        site = std::make_unique<DemoSite>(
            SiteConfig{options.dataDir, options.maxUploadBytes, DiskWriter{}});
    } catch (const std::exception &error) {
        std::fprintf(stderr, "quillary-demo-server: %s\n", error.what());
        return 1;
    }
    const int port = localPort(listening.get());
    const bool ipv6 = options.address.find(':') != std::string::npos;
    std::printf("quillary-demo-server: listening on http://%s%s%s:%d (data in %s)\n",
                ipv6 ? "[" : "", options.address.c_str(), ipv6 ? "]" : "", port,
                options.dataDir.c_str());
    std::fflush(stdout);

    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        site->stop();
    });
    stopper.detach();
    try {
        site->listen(std::move(listening));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "quillary-demo-server: %s\n", error.what());
        return 1;
    }
    return 0;
}
