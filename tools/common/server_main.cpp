#include "server_main.h"

#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

std::optional<int> ParsePort(const char* pszText) {
    char* pEnd = nullptr;
    const long nPort = std::strtol(pszText, &pEnd, 10);
    if (*pEnd != '\0' || nPort < 0 || nPort > 65535) return std::nullopt;
    return static_cast<int>(nPort);
}

int ServeUntilSignalled(const char* pszName, int nPort, const ServerCalls& calls) {
    // Signals are taken by one thread of our own, so the server's threads (which inherit
    // this mask) never see them; a peer that hangs up mid-write is not a reason to end.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    const int nBound = calls.bind(nPort);
    if (nBound < 0) {
        std::fprintf(stderr, "%s: cannot listen on 127.0.0.1:%d\n", pszName, nPort);
        return 1;
    }
    std::printf("listening 127.0.0.1:%d\n", nBound);
    if (calls.announce) calls.announce();
    std::fflush(stdout);

    std::atomic<bool> bDone{false};
    std::thread stopper([&] {
        const timespec tick{0, 200'000'000};
        while (!bDone) {
            if (sigtimedwait(&stopSignals, nullptr, &tick) > 0) {
                calls.stop();
                return;
            }
        }
    });
    const bool bOk = calls.serve();
    bDone = true;
    stopper.join();
    return bOk ? 0 : 1;
}
