// Reading a busy server's Retry-After header: how long it asks the client to wait before it
// sends the same request again.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// The longest wait a server's Retry-After can ask for: a user watching a countdown gives up
// long before an hour, and a server that wants a day is better left to "重新上传".
inline constexpr uint32_t kMaxRetryAfterSeconds = 60;

// The wait in seconds, capped at kMaxRetryAfterSeconds, or none when the value asks for
// nothing usable. The value is either a number of seconds (digits only, blanks around them
// allowed) or an HTTP date in any of the three forms HTTP/1.1 recipients must accept
// ("Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
// "Sun Nov  6 08:49:37 1994"), taken against nNowUtc (seconds since 1970, UTC). A negative
// number, garbage, or a date that is not after now is none: the caller's own back-off applies.
std::optional<uint32_t> ParseRetryAfter(std::string_view value, int64_t nNowUtc);

// Seconds since 1970 of an HTTP date in one of the three forms above; none when it is not one
// (or names a day that does not exist).
std::optional<int64_t> ParseHttpDate(std::string_view value);
