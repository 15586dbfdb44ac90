// The plain socket calls that the servers and their tests make on 127.0.0.1.
#pragma once
#include <string_view>

// Turns Nagle's algorithm off on a connection: an answer written in two pieces (headers,
// then body) goes out at once instead of waiting for the peer's delayed ACK (~40 ms) on a
// kept-alive connection.
void SetNoDelay(int fd);
// A TCP connection to 127.0.0.1:nPort, with no delay as above; -1 when there is none.
int ConnectLoopback(int nPort);
// Writes all of data; false when the peer is gone. A peer that hangs up raises no SIGPIPE.
bool SendAll(int fd, std::string_view data);
