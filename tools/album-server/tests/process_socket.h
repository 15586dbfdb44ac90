// A look at another process's end of a TCP connection, for tests of the socket options a
// server sets on the connections it accepts or opens.
#pragma once
#include <sys/types.h>

#include <optional>

// Whether the socket of process `pid` whose peer is 127.0.0.1:nPeerPort sends small writes at
// once (TCP_NODELAY), waiting up to 5 s for the process to hold it (a server accepts a moment
// after the client connected); none when it never does or cannot be looked into.
std::optional<bool> NoDelayOfSocketTo(pid_t pid, int nPeerPort);
