// Random source with the C runtime's rand/srand sequence and the wall clock, but its own state.
#pragma once
#include "transport/random_source.h"

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
