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

CVariant ValueToVariant(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return CVariant::FromBstr(AnsiToBstr(value.substr(1, value.size() - 2)));
    if (!value.empty()) {
        errno = 0;
        char* end = nullptr;
        long long number = std::strtoll(value.c_str(), &end, 0);
        if (errno == 0 && end && *end == '\0' && number >= -2147483648LL && number <= 0xFFFFFFFFLL)
            return CVariant(static_cast<long>(static_cast<unsigned long long>(number) & 0xFFFFFFFFu));
    }
    return CVariant::FromBstr(AnsiToBstr(value));
}
