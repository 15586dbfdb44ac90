// Reading one response header by name out of a raw header block (lines separated by CR LF,
// as the HTTP stack reports them).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The value of the first header line whose name is `name` (ASCII case ignored; a trailing
// colon on `name` is allowed), from just after the colon to the end of its line, blanks kept.
// Only a whole name at the start of a line matches: "X-Album-RetCode" and a value that
// happens to contain "album-retcode:" are not the server's verdict. The block ends at its
// first NUL byte, as the platform's copy of it would. The view points into rawHeaders.
std::optional<std::string_view> FindHeaderValue(std::string_view rawHeaders, std::string_view name);

// Empty name: false, strValue untouched. Absent: strValue emptied, false. Otherwise the
// value (trimmed at both ends when bTrim) and true.
bool GetHeaderString(std::string_view rawHeaders, std::string_view name, std::string& strValue, bool bTrim);

// Empty name: false, nValue untouched. Otherwise the trimmed value's leading decimal digits;
// when there are none, or they do not fit below 0xFFFFFFFF, nValue = 0 and false.
// A leading "+" is allowed; a minus is not: "-1" does not read as 4294967295.
bool GetHeaderNumber(std::string_view rawHeaders, std::string_view name, uint32_t& nValue);

// Strips the white space that the runtime's isspace() knows, at both ends.
std::string_view TrimBlanks(std::string_view text);
