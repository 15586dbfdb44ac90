// GetFileNamePart: the file-name part of a path, the caption of a thumbnail.
#pragma once
#include <string>
#include <string_view>

#include "imaging/mbcs_chars.h"

// The part after the last backslash; the whole string when there is none; empty for an
// empty path or a lone backslash. A backslash that is the trail byte of a double-byte
// character does not count.
std::string GetFileNamePart(std::string_view strPath, LeadByteTest pfnIsLead = IsGbkLeadByte);
