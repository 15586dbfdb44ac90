// The clock and generator behind random strings, behind an interface so tests can script them.
#pragma once
#include <cstdint>

class CRandomSource {
public:
    virtual ~CRandomSource() = default;
    // Seconds since the epoch, as time() gives them.
    virtual uint32_t TimeSeconds() = 0;
    virtual void Seed(uint32_t nSeed) = 0;
    // 0..32767, as rand() gives them.
    virtual uint32_t Rand() = 0;
};
