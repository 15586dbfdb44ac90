// fault-server PORT [--mode PATH] [--upstream PORT]
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "fault_server.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: fault-server PORT [--mode PATH] [--upstream PORT]\n"
                 "  PORT 0 picks a free port; the first line on stdout is \"listening 127.0.0.1:PORT\".\n"
                 "  The request path chooses the fault (see README.md); --mode gives the plan for\n"
                 "  paths that name none, written as such a path (e.g. --mode /status/503);\n"
                 "  --upstream names the endpoint on 127.0.0.1 that /relay/PATH forwards to.\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    char* pEnd = nullptr;
    const long nPort = std::strtol(argv[1], &pEnd, 10);
    if (*pEnd != '\0' || nPort < 0 || nPort > 65535) return Usage();
    FaultPlan defaultPlan;
    long nUpstream = 0;
    for (int i = 2; i < argc; ++i) {
        if (i + 1 >= argc) return Usage();
        if (std::strcmp(argv[i], "--mode") == 0) {
            const auto plan = ParseFaultPlan(argv[++i]);
            if (!plan) return Usage();
            defaultPlan = *plan;
        } else if (std::strcmp(argv[i], "--upstream") == 0) {
            nUpstream = std::strtol(argv[++i], &pEnd, 10);
            if (*pEnd != '\0' || nUpstream <= 0 || nUpstream > 65535) return Usage();
        } else {
            return Usage();
        }
    }

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    CFaultServer server(defaultPlan, static_cast<int>(nUpstream));
    const int nBound = server.Bind(static_cast<int>(nPort));
    if (nBound < 0) {
        std::fprintf(stderr, "fault-server: cannot listen on 127.0.0.1:%ld\n", nPort);
        return 1;
    }
    std::printf("listening 127.0.0.1:%d\n", nBound);
    std::fflush(stdout);

    std::atomic<bool> bDone{false};
    std::thread stopper([&] {
        const timespec tick{0, 200'000'000};
        while (!bDone) {
            if (sigtimedwait(&stopSignals, nullptr, &tick) > 0) {
                server.Stop();
                return;
            }
        }
    });
    server.Run();
    bDone = true;
    stopper.join();
    return 0;
}
