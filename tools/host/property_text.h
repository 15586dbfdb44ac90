// Turns "Name=Value" text into the VARIANT a page's script would pass for it.
#pragma once
#include <oaidl.h>

#include "framework/variant.h"

#include <string>

struct PropertyAssignment {
    std::string strName;
    std::string strValue;
};

// "Name=Value"; false when there is no '=' or no name.
bool ParseAssignment(const std::string& text, PropertyAssignment& out);
// Whole decimal or 0x-hexadecimal numbers become VT_I4 (as a script's integer literal);
// "text" in double quotes, or anything else, becomes a VT_BSTR.
CVariant ValueToVariant(const std::string& value);
