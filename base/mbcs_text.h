// Walking multibyte text by character: in a double-byte ANSI code page (936 on the target
// systems) a trail byte may be '\\' or a letter, so a byte test alone misreads paths.
#pragma once
#include <string>
#include <string_view>

// True when the byte starts a two-byte character. The Win32 side passes IsAnsiLeadByte, the
// system's ANSI code page; the portable core never assumes one.
using LeadByteTest = bool (*)(unsigned char);

// Code page 936 (GBK), for tests and tools that stand in for a Chinese system.
constexpr bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// The part after the last backslash; the whole string when there is none; empty for an
// empty path or a lone backslash. A backslash that is the trail byte of a double-byte
// character does not count.
std::string GetFileNamePart(std::string_view strPath, LeadByteTest pfnIsLead);

// True when the path's last character is a backslash (not a trail byte that looks like one).
bool EndsWithBackslash(std::string_view strPath, LeadByteTest pfnIsLead);
