#include "framework/text.h"

#include "framework/module.h"

#include <climits>

namespace {
std::string WideToCodePage(UINT nCodePage, const wchar_t* text, size_t length) {
    if (!text || length == 0 || length > INT_MAX) return std::string();
    int wideLen = static_cast<int>(length);
    int bytes = WideCharToMultiByte(nCodePage, 0, text, wideLen, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(nCodePage, 0, text, wideLen, out.data(), bytes, nullptr, nullptr);
    return out;
}
}  // namespace

std::string WideToAnsi(const wchar_t* text, size_t length) { return WideToCodePage(CP_ACP, text, length); }

std::string WideToUtf8(const wchar_t* text, size_t length) { return WideToCodePage(CP_UTF8, text, length); }

std::string BstrToAnsi(BSTR text) { return WideToAnsi(text, text ? SysStringLen(text) : 0); }

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty() || text.size() > INT_MAX) return std::wstring();
    int len = static_cast<int>(text.size());
    int chars = MultiByteToWideChar(CP_ACP, 0, text.data(), len, nullptr, 0);
    if (chars <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), len, out.data(), chars);
    return out;
}

BSTR AnsiToBstr(const std::string& text) {
    std::wstring wide = AnsiToWide(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string LoadResString(UINT id) {
    // LoadStringW with a zero length hands out a pointer to the resource itself, so texts
    // of any length come through without a fixed buffer.
    const wchar_t* res = nullptr;
    int len = LoadStringW(CModule::Instance(), id, reinterpret_cast<LPWSTR>(&res), 0);
    if (len <= 0 || !res) return std::string();
    return WideToAnsi(res, static_cast<size_t>(len));
}

bool IsAnsiLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }
