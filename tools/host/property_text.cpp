#include "property_text.h"

#include "framework/text.h"

#include <cerrno>
#include <cstdlib>

bool ParseAssignment(const std::string& text, PropertyAssignment& out) {
    size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    out.strName = text.substr(0, eq);
    out.strValue = text.substr(eq + 1);
    return true;
}

void ValueToVariant(const std::string& value, VARIANT& out) {
    VariantInit(&out);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        out.vt = VT_BSTR;
        out.bstrVal = AnsiToBstr(value.substr(1, value.size() - 2));
        return;
    }
    if (!value.empty()) {
        errno = 0;
        char* end = nullptr;
        long long number = std::strtoll(value.c_str(), &end, 0);
        if (errno == 0 && end && *end == '\0' && number >= -2147483648LL && number <= 0xFFFFFFFFLL) {
            out.vt = VT_I4;
            out.lVal = static_cast<LONG>(static_cast<unsigned long long>(number) & 0xFFFFFFFFu);
            return;
        }
    }
    out.vt = VT_BSTR;
    out.bstrVal = AnsiToBstr(value);
}
