#include "transport/crt_random.h"

#include <ctime>

uint32_t CCrtRandom::TimeSeconds() {
    return static_cast<uint32_t>(std::time(nullptr));
}

uint32_t CCrtRandom::Rand() {
    m_nState = m_nState * 214013u + 2531011u;
    return (m_nState >> 16) & 0x7fffu;
}
