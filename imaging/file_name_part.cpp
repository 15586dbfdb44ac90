#include "imaging/file_name_part.h"

std::string GetFileNamePart(std::string_view strPath, LeadByteTest pfnIsLead) {
    size_t nStart = 0;
    for (size_t i = 0; i < strPath.size(); ++i) {
        const auto c = static_cast<unsigned char>(strPath[i]);
        if (pfnIsLead(c))
            ++i;  // its trail byte, whatever it is
        else if (c == '\\')
            nStart = i + 1;
    }
    return std::string(strPath.substr(nStart < strPath.size() ? nStart : strPath.size()));
}
