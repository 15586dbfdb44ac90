// Conversions between the ANSI code page's multibyte text and OLE's wide strings,
// and string-table texts.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

// Converts a wide string of the given length (embedded NULs kept) to the ANSI code page.
std::string WideToAnsi(const wchar_t* text, size_t length);
std::string BstrToAnsi(BSTR text);
// The same as UTF-8, which maps every character exactly (no best-fit substitutes).
std::string WideToUtf8(const wchar_t* text, size_t length);
std::wstring AnsiToWide(const std::string& text);
// A new BSTR owned by the caller; null only when memory runs out.
BSTR AnsiToBstr(const std::string& text);

// A lead byte of a double-byte character in the system's ANSI code page, whatever it is
// (a LeadByteTest for the portable core's text walkers).
bool IsAnsiLeadByte(unsigned char c);

// A string-table text of this module, "" when the entry is missing.
std::string LoadResString(UINT id);

// Owner of one BSTR.
class CScopedBstr {
public:
    CScopedBstr() = default;
    explicit CScopedBstr(BSTR b) : m_b(b) {}
    explicit CScopedBstr(const wchar_t* text) : m_b(SysAllocString(text)) {}
    ~CScopedBstr() { SysFreeString(m_b); }
    CScopedBstr(const CScopedBstr&) = delete;
    CScopedBstr& operator=(const CScopedBstr&) = delete;
    BSTR Get() const { return m_b; }
    [[nodiscard]] BSTR Detach() {
        BSTR b = m_b;
        m_b = nullptr;
        return b;
    }

private:
    BSTR m_b = nullptr;
};
