// The plain socket calls that the servers and their tests make on 127.0.0.1.
#pragma once
#include <string_view>

// A TCP connection to 127.0.0.1:nPort; -1 when there is none.
int ConnectLoopback(int nPort);
// Writes all of data; false when the peer is gone. A peer that hangs up raises no SIGPIPE.
bool SendAll(int fd, std::string_view data);
