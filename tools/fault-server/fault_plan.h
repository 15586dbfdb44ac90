// What the fault server does with one request, chosen by the request's path (or by the
// command line for paths that name nothing).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class FaultMode {
    Ok,                  // /ok: 200, Album-RetCode 100
    RetCode,             // /retcode/VALUE: 200 with that Album-RetCode, digits or not
    RetCodeMissing,      // /retcode-missing: 200 without Album-RetCode
    CookieCheck,         // /cookie-check: as /ok and sets a cookie; 500 to a request that carries one
    Verdict,             // /verdict/CODE/INFO[/N]: 200, Album-RetCode CODE, Error-Info INFO N times
    Status,              // /status/CODE: that status, Album-RetCode 100 all the same
    Busy,                // /busy/CODE[/RETRY_AFTER]: that status, no verdict, Retry-After as given
    Redirect,            // /redirect/CODE/N: N hops with absolute Locations, then as /ok
    RedirectLoop,        // /redirect-loop/CODE: Location is the same address, for ever
    RedirectPath,        // /redirect-path/CODE: Location "/ok"
    RedirectRelative,    // /redirect-relative/CODE: Location "../ok"
    RedirectNoLocation,  // /redirect-nolocation/CODE: redirect status, no Location
    RedirectScheme,      // /redirect-scheme/CODE/SCHEME: Location "SCHEME://127.0.0.1:PORT/ok"
    RedirectTo,          // /redirect-to/CODE/LOCATION: that Location, percent-decoded
    ResetAfter,          // /reset-after/N: read N bytes of the body, then reset the connection
    StopReading,         // /stop-reading/N[/MS]: read N bytes of the body, stop reading, reset after MS
    Drop,                // /drop/N/MS: after N bytes of the body the line is dead for MS, then back
    CloseBeforeHeaders,  // /close-before-headers: read the body, close without a byte
    CloseMidHeaders,     // /close-mid-headers: read the body, close inside the header block
    Slow,                // /slow[/MS]: the /ok answer one byte per MS (100) milliseconds
    BigHeader,           // /big-header[/BYTES]: a header line of BYTES (65536) before the verdict
    LieLonger,           // /lie-longer[/LENGTH[/reset]]: Content-Length LENGTH (1000), 10 bytes, close (reset)
    LieShorter,          // /lie-shorter: Content-Length 5, 20 bytes sent
    Chunked,             // /chunked: the /ok answer in chunked transfer encoding
    NoLength,            // /no-length[/BYTES]: verdict, no Content-Length, BYTES (endless) bytes, close
    LongBody,            // /long-body/BYTES: verdict, a truthful Content-Length of BYTES
    Stall,               // /stall: read the body, then never answer
    Relay,               // /relay/PATH: to the upstream server as PATH, unless its picture has a fault
    FaultName,           // GET /_fault-name/NAME/N/PLAN...: the next N relayed uploads of NAME get PLAN
    ShowLog,             // GET /_log: one line per request seen: "METHOD PATH BODY_BYTES"
    ClearLog,            // GET /_clear: forget the log
};

// The count of a /no-length body that goes on until the client hangs up.
inline constexpr uint64_t kEndless = UINT64_MAX;

struct FaultPlan {
    FaultMode mode = FaultMode::Ok;
    uint32_t nStatus = 200;
    uint64_t nCount = 0;
    std::string strValue;
    std::string strInfo;  // a verdict's reason; for FaultName the plan's path
    // StopReading: how long to hold the connection, 0 until the server stops; Drop: how long
    // the line is dead.
    uint64_t nHoldMs = 0;
};

// None when the path names no mode (the default plan applies). The query is ignored.
std::optional<FaultPlan> ParseFaultPlan(std::string_view path);
