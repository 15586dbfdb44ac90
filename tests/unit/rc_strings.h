// The control's string table read straight from its resource script, so that the portable
// core's texts are tested with the strings that ship (as UTF-8, the script's encoding).
#pragma once
#include <map>
#include <string>

#include "upload/text_source.h"

class CRcStrings : public CTextSource {
public:
    CRcStrings();
    std::string Load(unsigned nID) const override;

private:
    std::map<unsigned, std::string> m_texts;
};
