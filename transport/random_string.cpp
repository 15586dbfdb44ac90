#include "transport/random_string.h"

#include <cstdint>
#include <ctime>

namespace {

// The single-precision constant nearest 1/32767 (bits 0x38000100), i.e. 2^-15 + 2^-30.
// Multiplying r * s * 62 in double is exact, and with r = 32767 the product stays just
// below 62, so the index never leaves the alphabet.
constexpr double kScale = 0x1.0002p-15;
static_assert(kScale == static_cast<double>(1.0f / 32767.0f));

size_t IndexOf(uint32_t r) {
    // A source that strays above rand()'s range must not index past the alphabet.
    const double product = static_cast<double>(r & 0x7fffu) * kScale * 62.0;
    return static_cast<size_t>(product);
}

}  // namespace

std::string MakeRandomString(size_t nCount, CRandomSource& source) {
    source.Seed(source.TimeSeconds());
    std::string str;
    str.reserve(nCount);
    for (size_t i = 0; i < nCount; ++i) str.push_back(kRandomAlphabet[IndexOf(source.Rand())]);
    return str;
}

uint32_t CCrtRandom::TimeSeconds() { return static_cast<uint32_t>(std::time(nullptr)); }

uint32_t CCrtRandom::Rand() {
    m_nState = m_nState * 214013u + 2531011u;
    return (m_nState >> 16) & 0x7fffu;
}
