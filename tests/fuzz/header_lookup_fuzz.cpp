// Header lookup over hostile raw header blocks, checked against a plain line-by-line reading.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transport/header_lookup.h"

namespace {

constexpr std::string_view kNames[] = {
    "Album-RetCode", "Error-Info", "album-retcode:", "Content-Length", "Location", "X", ""};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The same rule stated another way: each line's name is what precedes its first colon.
std::optional<std::string_view> Reference(std::string_view block, std::string_view name) {
    if (!name.empty() && name.back() == ':') name.remove_suffix(1);
    if (name.empty() || name.find_first_of(std::string_view(":\r\n\0", 4)) != std::string_view::npos)
        return std::nullopt;
    block = block.substr(0, block.find('\0'));
    block = TrimBlanks(block);
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i <= block.size(); ++i)
        if (i == block.size() || block[i] == '\r' || block[i] == '\n') {
            lines.push_back(block.substr(start, i - start));
            start = i + 1;
        }
    for (std::string_view line : lines) {
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < colon; ++i) same = same && Lower(line[i]) == Lower(name[i]);
        if (same) return line.substr(colon + 1);
    }
    return std::nullopt;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view name;
    std::string_view block;
    if (data[0] < 0x80) {
        name = kNames[data[0] % std::size(kNames)];
        block = input.substr(1);
    } else {
        const size_t n = std::min<size_t>(data[1] % 24, size - 2);
        name = input.substr(2, n);
        block = input.substr(2 + n);
    }

    const auto value = FindHeaderValue(block, name);
    const auto expected = Reference(block, name);
    Check(value.has_value() == expected.has_value());
    if (value) {
        Check(*value == *expected);
        // The view lies inside the block and within one line.
        Check(value->data() >= block.data() && value->data() + value->size() <= block.data() + block.size());
        Check(value->find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos);
    }

    std::string str = "sentinel";
    const bool bFound = GetHeaderString(block, name, str, data[0] & 1);
    Check(bFound == (!name.empty() && value.has_value()));
    if (name.empty()) Check(str == "sentinel");

    uint32_t n = 0xdeadbeef;
    const bool bNumber = GetHeaderNumber(block, name, n);
    if (name.empty()) {
        Check(!bNumber && n == 0xdeadbeef);
    } else if (!bNumber) {
        Check(n == 0);
    } else {
        std::string_view digits = TrimBlanks(*value);
        if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);  // one plus sign is allowed
        Check(!digits.empty() && digits[0] >= '0' && digits[0] <= '9');
        while (digits.size() > 1 && digits[0] == '0' && digits[1] >= '0' && digits[1] <= '9') digits.remove_prefix(1);
        Check(std::strtoull(std::string(digits.substr(0, 12)).c_str(), nullptr, 10) == n);
        Check(n != 0xFFFFFFFFu);
    }
    return 0;
}
