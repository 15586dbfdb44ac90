// Random alphanumeric strings for multipart boundaries and answer file names.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "transport/random_source.h"

inline constexpr std::string_view kRandomAlphabet =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Seeds the source from its clock at every call, so two strings made within the same
// second start alike (a boundary and the answer name of one picture share a prefix).
std::string MakeRandomString(size_t nCount, CRandomSource& source);
