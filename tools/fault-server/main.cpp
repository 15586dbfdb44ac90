// fault-server PORT [--mode PATH] [--upstream PORT [--delay MS] [--rate KBIT]]
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <cstring>

#include "fault_server.h"
#include "server_main.h"

namespace {

// A decimal count, nothing after it, up to 10^9.
std::optional<uint64_t> ParseCount(const char* pszText) {
    char* pszEnd = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(pszText, &pszEnd, 10);
    if (errno != 0 || pszEnd == pszText || *pszEnd != '\0' || *pszText == '-' || n > 1000000000ULL) return std::nullopt;
    return n;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: fault-server PORT [--mode PATH] [--upstream PORT [--delay MS] [--rate KBIT]]\n"
                 "  PORT 0 picks a free port; the first line on stdout is \"listening 127.0.0.1:PORT\".\n"
                 "  The request path chooses the fault (see README.md); --mode gives the plan for\n"
                 "  paths that name none, written as such a path (e.g. --mode /status/503);\n"
                 "  --upstream names the endpoint on 127.0.0.1 that /relay/PATH forwards to.\n"
                 "  --delay (one way, each direction) or --rate (kbit/s each way) make every\n"
                 "  connection an emulated link to the upstream, carried byte for byte; at the\n"
                 "  end the last line says \"link connections=C up=BYTES down=BYTES\".\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const auto nPort = ParsePort(argv[1]);
    if (!nPort) return Usage();
    FaultPlan defaultPlan;
    int nUpstream = 0;
    std::optional<LinkShape> link;
    for (int i = 2; i < argc; ++i) {
        if (i + 1 >= argc) return Usage();
        if (std::strcmp(argv[i], "--mode") == 0) {
            const auto plan = ParseFaultPlan(argv[++i]);
            if (!plan) return Usage();
            defaultPlan = *plan;
        } else if (std::strcmp(argv[i], "--upstream") == 0) {
            const auto upstream = ParsePort(argv[++i]);
            if (!upstream || *upstream == 0) return Usage();
            nUpstream = *upstream;
        } else if (std::strcmp(argv[i], "--delay") == 0 || std::strcmp(argv[i], "--rate") == 0) {
            const bool bDelay = argv[i][2] == 'd';
            const auto value = ParseCount(argv[++i]);
            if (!value || (bDelay && *value > 60000)) return Usage();
            if (!link) link.emplace();
            if (bDelay)
                link->nDelayMs = static_cast<int>(*value);
            else
                link->nRateKbit = *value;
        } else {
            return Usage();
        }
    }
    if (link && nUpstream == 0) return Usage();

    CFaultServer server(defaultPlan, nUpstream, link);
    const int nStatus = ServeUntilSignalled("fault-server", *nPort,
                                            {.bind = [&](int n) { return server.Bind(n); },
                                             .serve =
                                                 [&] {
                                                     server.Run();
                                                     return true;
                                                 },
                                             .stop = [&] { server.Stop(); }});
    if (link) std::printf("link %s\n", server.LinkSummary().c_str());
    return nStatus;
}
