#include "upload/pass_journal.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

namespace {

CPassJournal Sample() {
    CPassJournal journal(10001, "我的相册", "C:\\照片\\假期\\");
    journal.SetWrittenAt(1'765'000'000);
    journal.Pictures() = {
        {"猫.jpg", {2048, 133'000'000'000'000'000}, JournalState::Stored},
        {"dog.JPG", {1, 1}, JournalState::Sending},
        {"flag.gif", {700, 5}, JournalState::Waiting},
        {"x.jpeg", {9, 9}, JournalState::Rejected},
        {"y.jpg", {9, 9}, JournalState::Failed},
    };
    return journal;
}

std::optional<CPassJournal> Parse(const std::string& text) { return CPassJournal::Parse(text, IsGbkLeadByte); }

// The text with its last line's checksum made right again, as a careful forger would: over
// every byte but the pictures' state letters.
std::string Mended(std::string text) {
    const size_t nLast = text.rfind('\n', text.size() - 2) + 1;
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (size_t i = 0, nLine = 0; i < nLast; ++i) {
        if (i != nLine + 8 || text.compare(nLine, 8, "picture ") != 0) {
            h ^= static_cast<unsigned char>(text[i]);
            h *= 0x100000001b3ull;
        }
        if (text[i] == '\n') nLine = i + 1;
    }
    char sum[17];
    snprintf(sum, sizeof sum, "%016llx", static_cast<unsigned long long>(h));
    const size_t nSumStart = text.rfind(' ') + 1;
    return text.replace(nSumStart, 16, sum);
}

// The sample's text with the rest of the first line that starts with KEY changed, its
// checksum mended: only the field's own check can refuse it.
std::string WithLine(const std::string& key, const std::string& value) {
    std::string text = Sample().Serialise();
    const size_t nStart = text.find(key + " ");
    const size_t nEnd = text.find('\n', nStart);
    return Mended(text.replace(nStart + key.size() + 1, nEnd - nStart - key.size() - 1, value));
}

TEST(PassJournal, RoundTripsEveryField) {
    const CPassJournal journal = Sample();
    const auto back = Parse(journal.Serialise());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->User(), 10001);
    EXPECT_EQ(back->Album(), "我的相册");
    EXPECT_EQ(back->Folder(), "C:\\照片\\假期\\");
    EXPECT_EQ(back->WrittenAt(), 1'765'000'000);
    ASSERT_EQ(back->Pictures().size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(back->Pictures()[i].strName, journal.Pictures()[i].strName);
        EXPECT_EQ(back->Pictures()[i].stamp, journal.Pictures()[i].stamp);
        EXPECT_EQ(back->Pictures()[i].state, journal.Pictures()[i].state);
    }
    EXPECT_EQ(back->PendingCount(), 3u);  // sending, waiting, failed
}

TEST(PassJournal, NeverHoldsASignatureOrAnythingButTheFields) {
    const std::string text = Sample().Serialise();
    EXPECT_EQ(text.find("signature"), std::string::npos);
    // Every text is hex: a name cannot break a line or forge one.
    for (char c : text) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << int(c);
}

struct BadJournal {
    const char* what;
    std::string text;
};

class PassJournalRejects : public testing::TestWithParam<BadJournal> {};

TEST_P(PassJournalRejects, Nothing) { EXPECT_FALSE(Parse(GetParam().text).has_value()) << GetParam().what; }

std::string Hex(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        out += "0123456789abcdef"[c >> 4];
        out += "0123456789abcdef"[c & 15];
    }
    return out;
}

const std::string kWhole = Sample().Serialise();

INSTANTIATE_TEST_SUITE_P(
    Cases, PassJournalRejects,
    testing::Values(
        BadJournal{"empty", ""}, BadJournal{"cut in the last line", kWhole.substr(0, kWhole.size() - 1)},
        BadJournal{"cut at a line", kWhole.substr(0, kWhole.find("picture"))},
        BadJournal{"garbage", std::string("\x7f"
                                          "ELF\x01\x02\x03\n\n",
                                          9)},
        BadJournal{"a newer version", "tessaline-journal 3" + kWhole.substr(kWhole.find('\n'))},
        BadJournal{"a byte changed",
                   [] {
                       std::string t = kWhole;
                       t[t.find("picture k ") + 10] = '3';
                       return t;
                   }()},
        BadJournal{"trailing bytes", kWhole + "x"}, BadJournal{"a count that is not the pictures'", Mended([] {
                                                                   std::string t = kWhole;
                                                                   t[t.rfind("end ") + 4] = '4';
                                                                   return t;
                                                               }())},
        BadJournal{"a line out of place", WithLine("user", "10001\nuser 10001")},
        BadJournal{"huge", kWhole + std::string(CPassJournal::kMaxBytes, 'a')},
        BadJournal{"a leading zero", WithLine("user", "010001")},
        BadJournal{"a sign", WithLine("written", "+1765000000")}, BadJournal{"capital hex", WithLine("album", "E6")},
        BadJournal{"odd hex", WithLine("album", "e")}, BadJournal{"no album", WithLine("album", "")},
        BadJournal{"a network folder", WithLine("folder", Hex("\\\\server\\share\\"))},
        BadJournal{"a relative folder", WithLine("folder", Hex("pics\\"))},
        BadJournal{"a parent part", WithLine("folder", Hex("C:\\pics\\..\\Windows\\"))},
        BadJournal{"a control byte", WithLine("folder", Hex("C:\\pi\ncs\\"))},
        BadJournal{"no backslash at the end", WithLine("folder", Hex("C:\\pics"))},
        BadJournal{"a name with a separator", WithLine("picture k 2048 133000000000000000", Hex("..\\a.jpg"))},
        BadJournal{"a name that is no picture", WithLine("picture k 2048 133000000000000000", Hex("a.exe"))},
        BadJournal{"an unknown state", WithLine("picture", "z 2048 133000000000000000 " + Hex("a.jpg"))}),
    [](const testing::TestParamInfo<BadJournal>& info) {
        std::string name;
        for (const char* p = info.param.what; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

// A pass writes its pictures' states over the journal in place: whichever letters a cut-short
// write reached, the journal reads whole, with the states it says.
TEST(PassJournal, StatesWrittenOverInPlaceLeaveItWhole) {
    std::vector<size_t> arrLetters;
    std::string text = Sample().Serialise(&arrLetters);
    ASSERT_EQ(arrLetters.size(), 5u);
    text[arrLetters[1]] = static_cast<char>(JournalState::Stored);
    text[arrLetters[2]] = static_cast<char>(JournalState::Sending);
    const auto back = Parse(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->Pictures()[0].state, JournalState::Stored);
    EXPECT_EQ(back->Pictures()[1].state, JournalState::Stored);
    EXPECT_EQ(back->Pictures()[2].state, JournalState::Sending);
}

TEST(PassJournal, TheMendedSampleIsStillWhole) {
    EXPECT_EQ(Mended(kWhole), kWhole);
    EXPECT_TRUE(Parse(WithLine("user", "-7")).has_value());
    EXPECT_TRUE(Parse(WithLine("folder", Hex("d:\\a\\b\\"))).has_value());
}

TEST(PassJournal, TooManyPicturesAreRefused) {
    CPassJournal journal(1, "a", "C:\\a\\");
    journal.Pictures().assign(CPassJournal::kMaxPictures + 1, JournalPicture{"a.jpg", {1, 1}, JournalState::Waiting});
    EXPECT_FALSE(Parse(journal.Serialise()).has_value());
    journal.Pictures().pop_back();
    EXPECT_TRUE(Parse(journal.Serialise()).has_value());
}

TEST(PassJournal, AFolderIsWalkedByCharacter) {
    // 0x5C as a trail byte ("\xB1\x5C") is part of a character, not a separator.
    EXPECT_TRUE(CPassJournal::IsLocalFolder("C:\\\xB1\x5C\\", IsGbkLeadByte));
    EXPECT_FALSE(CPassJournal::IsLocalFolder("C:\\\xB1\x5C", IsGbkLeadByte));
    EXPECT_TRUE(CPassJournal::IsPictureName("\xB1\x5C.jpg", IsGbkLeadByte));
    EXPECT_FALSE(CPassJournal::IsPictureName("a\\b.jpg", IsGbkLeadByte));
}

TEST(PassJournal, StaleAfterSevenDaysOrFromTheFuture) {
    CPassJournal journal = Sample();
    const std::int64_t t = journal.WrittenAt();
    EXPECT_FALSE(journal.IsStale(t));
    EXPECT_FALSE(journal.IsStale(t + CPassJournal::kMaxAgeSeconds));
    EXPECT_TRUE(journal.IsStale(t + CPassJournal::kMaxAgeSeconds + 1));
    EXPECT_FALSE(journal.IsStale(t - 3600));
    EXPECT_TRUE(journal.IsStale(t - 2 * 24 * 3600));
}

TEST(PassJournal, FileNameIsPlainAndPerUserAndAlbum) {
    const std::string name = CPassJournal::FileNameFor(10001, "我的相册/..\\x");
    EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-."), std::string::npos) << name;
    EXPECT_EQ(name, CPassJournal::FileNameFor(10001, "我的相册/..\\x"));
    EXPECT_NE(name, CPassJournal::FileNameFor(10002, "我的相册/..\\x"));
    EXPECT_NE(name, CPassJournal::FileNameFor(10001, "我的相册"));
}

}  // namespace
