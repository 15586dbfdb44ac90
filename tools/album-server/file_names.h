// Picture names as clients send them (code page 936), made safe to use as file names.
#pragma once
#include <optional>
#include <string>
#include <string_view>

// The last component of `name` (after '/' or '\', read character by character so that a
// double-byte character's 0x5C trail byte is not taken for a separator), refused when it is
// empty, starts with '.', is longer than 200 bytes, or holds a control byte, a byte that is
// not valid code page 936, or a character Windows does not allow in file names.
std::optional<std::string> SafePictureName(std::string_view name);
