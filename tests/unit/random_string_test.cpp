#include "transport/random_string.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Hands out scripted numbers and a scripted clock, and records each seed it is given.
class CScriptedRandom : public CRandomSource {
public:
    uint32_t TimeSeconds() override { return m_nTime; }
    void Seed(uint32_t nSeed) override { m_seeds.push_back(nSeed); }
    uint32_t Rand() override { return m_nNext++; }

    uint32_t m_nTime = 0;
    uint32_t m_nNext = 0;
    std::vector<uint32_t> m_seeds;
};

class CFixedClockRandom : public CCrtRandom {
public:
    explicit CFixedClockRandom(uint32_t nTime) : m_nTime(nTime) {}
    uint32_t TimeSeconds() override { return m_nTime; }

private:
    uint32_t m_nTime;
};

}  // namespace

TEST(RandomString, EveryRandValueMapsToTheIndexOfTheScaledProduct) {
    // Independent of floating point: r * 62 * (2^-15 + 2^-30) = r * 62 * 32769 / 2^30.
    CScriptedRandom source;
    const std::string all = MakeRandomString(32768, source);
    ASSERT_EQ(all.size(), 32768u);
    for (uint64_t r = 0; r < 32768; ++r) {
        const uint64_t index = (r * 62 * 32769) >> 30;
        ASSERT_EQ(all[r], kRandomAlphabet[index]) << "r = " << r;
    }
    EXPECT_EQ(all.front(), '0');
    EXPECT_EQ(all.back(), 'Z');
}

TEST(RandomString, ValuesAboveRandRangeStayInTheAlphabet) {
    CScriptedRandom source;
    source.m_nNext = 0xFFFFFFF0u;
    for (char c : MakeRandomString(16, source)) EXPECT_NE(kRandomAlphabet.find(c), std::string_view::npos);
}

TEST(RandomString, ReseedsFromTheClockAtEveryCall) {
    CScriptedRandom source;
    source.m_nTime = 1000;
    MakeRandomString(6, source);
    source.m_nTime = 1001;
    MakeRandomString(8, source);
    EXPECT_EQ(source.m_seeds, (std::vector<uint32_t>{1000, 1001}));
}

TEST(RandomString, BoundaryAndAnswerNameOfTheSameSecondShareTheirStart) {
    CFixedClockRandom source(1234567890);
    const std::string boundary = MakeRandomString(6, source);
    const std::string name = MakeRandomString(8, source);
    EXPECT_EQ(boundary.size(), 6u);
    EXPECT_EQ(name.size(), 8u);
    EXPECT_EQ(name.substr(0, 6), boundary);
    CFixedClockRandom later(1234567891);
    EXPECT_NE(MakeRandomString(6, later), boundary);
}

TEST(RandomString, ZeroCountIsEmpty) {
    CScriptedRandom source;
    EXPECT_EQ(MakeRandomString(0, source), "");
    EXPECT_EQ(source.m_seeds.size(), 1u);
}

TEST(CrtRandom, FollowsTheRuntimeSequence) {
    // The first numbers the Windows runtime's rand() gives after srand(1).
    CCrtRandom source;
    source.Seed(1);
    EXPECT_EQ(source.Rand(), 41u);
    EXPECT_EQ(source.Rand(), 18467u);
    EXPECT_EQ(source.Rand(), 6334u);
    EXPECT_EQ(source.Rand(), 26500u);
    for (int i = 0; i < 10000; ++i) EXPECT_LE(source.Rand(), 32767u);
}
