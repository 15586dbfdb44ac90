#include "transport/answer_path.h"

#include <windows.h>

#include <atomic>

#include "transport/crt_random.h"
#include "transport/random_string.h"
#include "transport/temp_folder.h"

namespace {

constexpr size_t kAnswerNameLength = 8;

// The runtime-style generator is seeded again from the clock's seconds at every string, so
// two uploads started within one second, in two browser windows or two engines, would get
// one answer file, and the later could not open it. The seed is salted with the process and
// a count of the names made in it.
class CSaltedRandom : public CRandomSource {
public:
    explicit CSaltedRandom(uint32_t nSalt) : m_nSalt(nSalt) {}
    uint32_t TimeSeconds() override { return m_clock.TimeSeconds() ^ m_nSalt; }
    void Seed(uint32_t nSeed) override { m_clock.Seed(nSeed); }
    uint32_t Rand() override { return m_clock.Rand(); }

private:
    CCrtRandom m_clock;
    uint32_t m_nSalt;
};

std::atomic<uint32_t> s_nNamesMade{0};

}  // namespace

std::string MakeAnswerPath() {
    const std::string folder = GetTempFolder();
    std::string path;
    for (int nTry = 0; nTry < 16; ++nTry) {
        const uint32_t nSalt = GetCurrentProcessId() * 2654435761u + s_nNamesMade.fetch_add(1) * 40503u;
        CSaltedRandom random(nSalt);
        path = folder + MakeRandomString(kAnswerNameLength, random);
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) break;
    }
    return path;
}
