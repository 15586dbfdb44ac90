// Reading a pass journal over arbitrary bytes: what is read back is exactly what would be
// written, and names only pictures of one local folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "upload/pass_journal.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto journal = CPassJournal::Parse(input, IsGbkLeadByte);
    if (!journal) return 0;
    Check(journal->Serialise() == input);
    Check(CPassJournal::IsLocalFolder(journal->Folder(), IsGbkLeadByte));
    Check(journal->Pictures().size() <= CPassJournal::kMaxPictures);
    for (const JournalPicture& picture : journal->Pictures())
        Check(CPassJournal::IsPictureName(picture.strName, IsGbkLeadByte));
    Check(journal->PendingCount() <= journal->Pictures().size());
    return 0;
}
