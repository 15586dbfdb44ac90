#include "rc_strings.h"

#include <fstream>
#include <regex>
#include <stdexcept>

CRcStrings::CRcStrings() {
    const std::string root = TESSALINE_SOURCE_DIR;
    std::map<std::string, unsigned> ids;
    std::ifstream header(root + "/res/resource.h");
    const std::regex define(R"(^#define\s+(IDS_\w+)\s+(\d+))");
    for (std::string line; std::getline(header, line);) {
        std::smatch m;
        if (std::regex_search(line, m, define)) ids[m[1]] = static_cast<unsigned>(std::stoul(m[2]));
    }
    std::ifstream script(root + "/res/tessaline.rc");
    const std::regex entry(R"(^\s+(IDS_\w+)\s+\"(.*)\"\s*$)");
    for (std::string line; std::getline(script, line);) {
        std::smatch m;
        if (std::regex_search(line, m, entry) && ids.count(m[1])) m_texts[ids[m[1]]] = m[2];
    }
    if (m_texts.empty()) throw std::runtime_error("no strings read from " + root + "/res");
}

std::string CRcStrings::Load(unsigned nID) const {
    const auto it = m_texts.find(nID);
    return it == m_texts.end() ? std::string() : it->second;
}
