// Lead bytes of the ANSI code page's double-byte characters, so that multibyte file names
// are walked by character: in code page 936 a trail byte may be '\\' or a letter.
#pragma once

// True when the byte starts a two-byte character. The Win32 side may pass a test built on
// IsDBCSLeadByte for another code page.
using LeadByteTest = bool (*)(unsigned char);

// Code page 936 (GBK), the code page of every text of this control.
constexpr bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
