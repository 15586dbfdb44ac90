// The request line and the few headers the fault server acts on.
#pragma once
#include <cstdint>
#include <string>

#include "connection.h"

struct RequestHead {
    std::string strMethod;
    std::string strPath;
    uint64_t nContentLength = 0;
    bool bExpectContinue = false;
    bool bChunked = false;
    std::string strHeaderLines;  // the header block after the request line, for a relay
};

enum class HeadResult { Ok, Closed, TooLarge, Malformed };

// Reads up to the blank line that ends the header block; what follows stays pending on the
// connection. Header blocks over 64 KiB are refused.
HeadResult ReadRequestHead(CConnection& connection, RequestHead& head);
