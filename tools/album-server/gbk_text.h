// Conversion between UTF-8 (this server's files and terminal) and code page 936 (what the
// control sends and reads).
#pragma once
#include <optional>
#include <string>
#include <string_view>

std::optional<std::string> Utf8ToGbk(std::string_view text);
std::optional<std::string> GbkToUtf8(std::string_view text);
