// Replaces one journal in a folder over and over, each version whole and different, then
// writes its first pictures' states over it in place one by one, as a pass does, until it is
// killed; or checks that the journal there is whole. The kill test runs it both ways.
//   journal_writer write FOLDER   writes versions 1, 2, ... for ever
//   journal_writer check FOLDER   exit 0 when the journal reads back whole, 1 when it does
//                                 not, 3 when there is none; prints its version
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/text.h"
#include "upload/journal_folder.h"
#include "upload/pass_journal.h"

namespace {

const char kName[] = "pass-10001-kill.journal";
// How many of each version's pictures are then stored, one write in place each.
constexpr std::size_t kPatchedPictures = 40;

// Version n: n % 3000 + 1 pictures, so that the file's length and its blocks change each time.
CPassJournal Version(std::uint64_t n) {
    CPassJournal journal(10001, "Kill", "C:\\pictures\\");
    journal.SetWrittenAt(static_cast<std::int64_t>(n));
    for (std::uint64_t i = 0; i <= n % 3000; ++i)
        journal.Pictures().push_back(
            JournalPicture{"picture" + std::to_string(i) + ".jpg", FileStamp{n, i + 1}, JournalState::Waiting});
    return journal;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    CJournalFolder folder(std::string(argv[2]) + "\\");
    if (std::strcmp(argv[1], "write") == 0) {
        for (std::uint64_t n = 1;; ++n) {
            std::vector<std::size_t> arrLetters;
            const std::string text = Version(n).Serialise(&arrLetters);
            if (!folder.Replace(kName, text)) return 1;
            if (n == 1) std::puts("written");
            std::fflush(stdout);
            for (std::size_t i = 0; i < arrLetters.size() && i < kPatchedPictures; ++i) {
                const JournalPiece stored{arrLetters[i], std::string(1, static_cast<char>(JournalState::Stored))};
                if (!folder.Patch(kName, text.size(), {stored})) return 1;
            }
        }
    }
    if (std::strcmp(argv[1], "check") != 0) return 2;
    const auto bytes = folder.Read(kName, CPassJournal::kMaxBytes);
    if (!bytes) return 3;
    const auto journal = CPassJournal::Parse(*bytes, IsAnsiLeadByte);
    if (!journal) return 1;
    // Whole and also the version it says it is, its first pictures stored in order.
    const auto n = static_cast<std::uint64_t>(journal->WrittenAt());
    CPassJournal expected = Version(n);
    const auto& arrRead = journal->Pictures();
    std::size_t nStored = 0;
    while (nStored < arrRead.size() && arrRead[nStored].state == JournalState::Stored) ++nStored;
    if (nStored > kPatchedPictures) return 1;
    for (std::size_t i = 0; i < nStored && i < expected.Pictures().size(); ++i)
        expected.Pictures()[i].state = JournalState::Stored;
    if (journal->Serialise() != expected.Serialise()) return 1;
    std::printf("version %llu\n", static_cast<unsigned long long>(n));
    return 0;
}
