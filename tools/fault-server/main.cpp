// fault-server PORT [--mode PATH] [--upstream PORT]
#include <cstdio>
#include <cstring>

#include "fault_server.h"
#include "server_main.h"

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
    const auto nPort = ParsePort(argv[1]);
    if (!nPort) return Usage();
    FaultPlan defaultPlan;
    int nUpstream = 0;
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
        } else {
            return Usage();
        }
    }

    CFaultServer server(defaultPlan, nUpstream);
    return ServeUntilSignalled("fault-server", *nPort,
                               {.bind = [&](int n) { return server.Bind(n); },
                                .serve =
                                    [&] {
                                        server.Run();
                                        return true;
                                    },
                                .stop = [&] { server.Stop(); }});
}
