#include "upload/pass_journal.h"

#include <charconv>
#include <utility>

#include "imaging/picture_file.h"

namespace {

// The first line; a journal of any other version is not read.
constexpr std::string_view kMagic = "tessaline-journal 2";
// A picture's line; its state letter stands in the column after the tag.
constexpr std::string_view kPictureTag = "picture ";
// A file name within a folder is at most this long on the systems the control runs on.
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kMaxFolderBytes = 1024;
constexpr std::size_t kMaxAlbumBytes = 4096;

constexpr std::uint64_t kFnvBasis = 0xcbf29ce484222325ull;

void Fnv1aStep(std::uint64_t& h, char c) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001b3ull;
}

std::uint64_t Fnv1a(std::string_view bytes) {
    std::uint64_t h = kFnvBasis;
    for (char c : bytes) Fnv1aStep(h, c);
    return h;
}

// The checksum of a journal's text before its "end" line. The pictures' states are left out:
// they are what a pass writes over in place, one letter at a time, each always its old letter
// or its new one, so the sum holds whatever such a write left.
std::uint64_t SumOf(std::string_view text) {
    std::uint64_t h = kFnvBasis;
    std::size_t nLineStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool bState =
            i == nLineStart + kPictureTag.size() && text.substr(nLineStart, kPictureTag.size()) == kPictureTag;
        if (!bState) Fnv1aStep(h, text[i]);
        if (text[i] == '\n') nLineStart = i + 1;
    }
    return h;
}

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

// Sixteen digits, leading zeros kept.
std::string Hex64(std::uint64_t n) {
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, n >>= 4) out[static_cast<std::size_t>(i)] = "0123456789abcdef"[n & 15];
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;  // capitals are not what Serialise writes
}

std::optional<std::string> Unhex(std::string_view hex, std::size_t nMaxBytes) {
    if (hex.size() % 2 || hex.size() / 2 > nMaxBytes) return std::nullopt;
    std::string out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

// The whole field as a number, nothing before or after it.
template <typename T>
std::optional<T> Number(std::string_view field, int nBase = 10) {
    T value{};
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value, nBase);
    if (ec != std::errc() || end != field.data() + field.size() || field.empty()) return std::nullopt;
    return value;
}

// Reads a journal's text line by line; every field is taken whole or the read fails.
class CLineReader {
public:
    explicit CLineReader(std::string_view text) : m_text(text) {}

    // The next line without its '\n'; nothing when the text ends without one.
    std::optional<std::string_view> Next() {
        const std::size_t nEnd = m_text.find('\n', m_nPos);
        if (nEnd == std::string_view::npos) return std::nullopt;
        std::string_view line = m_text.substr(m_nPos, nEnd - m_nPos);
        m_nPos = nEnd + 1;
        return line;
    }
    // "KEY VALUE" with this key.
    std::optional<std::string_view> Field(std::string_view key) {
        const auto line = Next();
        if (!line || line->size() <= key.size() || line->substr(0, key.size()) != key || (*line)[key.size()] != ' ')
            return std::nullopt;
        return line->substr(key.size() + 1);
    }
    std::size_t Position() const { return m_nPos; }
    bool AtEnd() const { return m_nPos == m_text.size(); }

private:
    std::string_view m_text;
    std::size_t m_nPos = 0;
};

// Splits "a b c ..." at single spaces into exactly n fields.
bool SplitFields(std::string_view line, std::string_view* fields, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t nSpace = line.find(' ');
        if ((nSpace == std::string_view::npos) != (i + 1 == n)) return false;
        fields[i] = line.substr(0, nSpace);
        if (nSpace != std::string_view::npos) line.remove_prefix(nSpace + 1);
    }
    return true;
}

bool IsState(char c) {
    switch (static_cast<JournalState>(c)) {
    case JournalState::Waiting:
    case JournalState::Sending:
    case JournalState::Stored:
    case JournalState::Rejected:
    case JournalState::Failed: return true;
    }
    return false;
}

bool HasControlByte(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    return false;
}

}  // namespace

CPassJournal::CPassJournal(long nUser, std::string strAlbum, std::string strFolder)
    : m_nUser(nUser), m_strAlbum(std::move(strAlbum)), m_strFolder(std::move(strFolder)) {}

std::string CPassJournal::FileNameFor(long nUser, std::string_view strAlbum) {
    // The album's name may hold anything a page sets; its hash stands for it, and the
    // journal inside says which album it is.
    return "pass-" + std::to_string(nUser) + "-" + Hex64(Fnv1a(strAlbum)) + ".journal";
}

bool CPassJournal::IsLocalFolder(std::string_view strFolder, LeadByteTest pfnIsLead) {
    if (strFolder.size() < 3 || strFolder.size() > kMaxFolderBytes || HasControlByte(strFolder)) return false;
    const char cDrive = strFolder[0];
    const bool bLetter = (cDrive >= 'A' && cDrive <= 'Z') || (cDrive >= 'a' && cDrive <= 'z');
    if (!bLetter || strFolder[1] != ':' || strFolder[2] != '\\') return false;
    if (!EndsWithBackslash(strFolder, pfnIsLead)) return false;
    // Each part between backslashes, walked by character: a trail byte may look like one.
    std::size_t nPartStart = 3;
    for (std::size_t i = 3; i < strFolder.size(); ++i) {
        const auto c = static_cast<unsigned char>(strFolder[i]);
        if (pfnIsLead(c)) {
            ++i;
            continue;
        }
        if (c == '/' || c == ':') return false;
        if (c != '\\') continue;
        const std::string_view part = strFolder.substr(nPartStart, i - nPartStart);
        if (part.empty() || part == "." || part == "..") return false;
        nPartStart = i + 1;
    }
    return true;
}

bool CPassJournal::IsPictureName(std::string_view strName, LeadByteTest pfnIsLead) {
    if (strName.empty() || strName.size() > kMaxNameBytes || HasControlByte(strName)) return false;
    if (strName == "." || strName == "..") return false;
    for (std::size_t i = 0; i < strName.size(); ++i) {
        const auto c = static_cast<unsigned char>(strName[i]);
        if (pfnIsLead(c))
            ++i;
        else if (c == '\\' || c == '/' || c == ':')
            return false;
    }
    const PictureType type = ClassifyPictureFile(strName, pfnIsLead);
    return type == PictureType::Gif || type == PictureType::Jpeg;
}

bool CPassJournal::IsStale(std::int64_t nNow) const {
    return nNow - m_nWrittenAt > kMaxAgeSeconds || m_nWrittenAt > nNow + 24 * 3600;
}

std::size_t CPassJournal::PendingCount() const {
    std::size_t n = 0;
    for (const JournalPicture& picture : m_arrPictures)
        if (IsPending(picture.state)) ++n;
    return n;
}

std::string CPassJournal::Serialise(std::vector<std::size_t>* pStateOffsets) const {
    std::string text;
    text.reserve(128 + m_arrPictures.size() * 64);
    text.append(kMagic).append("\n");
    text.append("user ").append(std::to_string(m_nUser)).append("\n");
    text.append("album ").append(Hex(m_strAlbum)).append("\n");
    text.append("folder ").append(Hex(m_strFolder)).append("\n");
    text.append("written ").append(std::to_string(m_nWrittenAt)).append("\n");
    for (const JournalPicture& picture : m_arrPictures) {
        text.append(kPictureTag);
        if (pStateOffsets) pStateOffsets->push_back(text.size());
        text.append(1, static_cast<char>(picture.state)).append(" ");
        text.append(std::to_string(picture.stamp.nSize)).append(" ");
        text.append(std::to_string(picture.stamp.nModified)).append(" ");
        text.append(Hex(picture.strName)).append("\n");
    }
    // The count and the checksum tell a whole journal from a cut or damaged one.
    const std::string strSum = Hex64(SumOf(text));
    text.append("end ").append(std::to_string(m_arrPictures.size())).append(" ").append(strSum).append("\n");
    return text;
}

std::optional<CPassJournal> CPassJournal::Parse(std::string_view bytes, LeadByteTest pfnIsLead) {
    if (bytes.size() > kMaxBytes) return std::nullopt;
    CLineReader reader(bytes);
    const auto magic = reader.Next();
    if (!magic || *magic != kMagic) return std::nullopt;
    const auto user = reader.Field("user");
    const auto album = reader.Field("album");
    const auto folder = reader.Field("folder");
    const auto written = reader.Field("written");
    if (!user || !album || !folder || !written) return std::nullopt;
    const auto nUser = Number<long>(*user);
    const auto strAlbum = Unhex(*album, kMaxAlbumBytes);
    const auto strFolder = Unhex(*folder, kMaxFolderBytes);
    const auto nWritten = Number<std::int64_t>(*written);
    if (!nUser || !strAlbum || strAlbum->empty() || !strFolder || !nWritten) return std::nullopt;
    if (!IsLocalFolder(*strFolder, pfnIsLead)) return std::nullopt;

    CPassJournal journal(*nUser, *strAlbum, *strFolder);
    journal.m_nWrittenAt = *nWritten;
    for (;;) {
        const std::size_t nLineStart = reader.Position();
        const auto line = reader.Next();
        if (!line) return std::nullopt;
        std::string_view fields[5];
        if (SplitFields(*line, fields, 3) && fields[0] == "end") {
            const auto nCount = Number<std::size_t>(fields[1]);
            const auto nSum = Number<std::uint64_t>(fields[2], 16);
            if (!reader.AtEnd() || !nCount || *nCount != journal.m_arrPictures.size() || !nSum) return std::nullopt;
            if (*nSum != SumOf(bytes.substr(0, nLineStart))) return std::nullopt;
            break;
        }
        if (!SplitFields(*line, fields, 5) || fields[0] != "picture") return std::nullopt;
        if (journal.m_arrPictures.size() >= kMaxPictures) return std::nullopt;
        if (fields[1].size() != 1 || !IsState(fields[1][0])) return std::nullopt;
        const auto nSize = Number<std::uint64_t>(fields[2]);
        const auto nModified = Number<std::uint64_t>(fields[3]);
        auto strName = Unhex(fields[4], kMaxNameBytes);
        if (!nSize || !nModified || !strName || !IsPictureName(*strName, pfnIsLead)) return std::nullopt;
        journal.m_arrPictures.push_back(JournalPicture{std::move(*strName), FileStamp{*nSize, *nModified},
                                                       static_cast<JournalState>(fields[1][0])});
    }
    // Only what Serialise writes: no leading zeros, no "+", one form for each journal.
    if (journal.Serialise() != bytes) return std::nullopt;
    return journal;
}
