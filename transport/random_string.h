// Random alphanumeric strings for multipart boundaries and answer file names, and the clock and
// generator behind them (an interface, so that tests can script them).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CRandomSource {
public:
    virtual ~CRandomSource() = default;
    // Seconds since the epoch, as time() gives them.
    virtual uint32_t TimeSeconds() = 0;
    virtual void Seed(uint32_t nSeed) = 0;
    // 0..32767, as rand() gives them.
    virtual uint32_t Rand() = 0;
};

// The generator is the runtime's linear congruence, so a given seed yields the numbers
// rand() yields on Windows; keeping the state here instead of in the runtime means two
// transfers on two threads never disturb each other's sequence.
class CCrtRandom : public CRandomSource {
public:
    uint32_t TimeSeconds() override;
    void Seed(uint32_t nSeed) override { m_nState = nSeed; }
    uint32_t Rand() override;

private:
    uint32_t m_nState = 1;
};

inline constexpr std::string_view kRandomAlphabet = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Seeds the source from its clock at every call, so two strings made within the same
// second start alike (a boundary and the answer name of one picture share a prefix).
std::string MakeRandomString(size_t nCount, CRandomSource& source);
