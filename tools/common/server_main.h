// What the server programs' main() share: the port argument, and serving in the foreground
// until SIGINT or SIGTERM after the "listening 127.0.0.1:PORT" line that scripts wait for.
#pragma once
#include <functional>
#include <optional>

// A port argument: decimal, 0 to 65535, nothing after it.
std::optional<int> ParsePort(const char* pszText);

struct ServerCalls {
    std::function<int(int nPort)> bind;  // the port bound (0 picks a free one), or -1
    std::function<void()> announce;      // prints what follows the "listening" line
    std::function<bool()> serve;         // serves until stop; false when it could not
    std::function<void()> stop;          // called from another thread
};

// Binds, prints the "listening" line and the announcement at once, then serves until a stop
// signal. Call it before the server has started a thread. Returns the exit status.
int ServeUntilSignalled(const char* pszName, int nPort, const ServerCalls& calls);
