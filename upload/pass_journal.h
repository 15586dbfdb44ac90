// The journal of an upload pass: who sent which pictures of which folder to which album, and
// how far each got, so that a pass the browser's death cut short can go on where it stopped.
// It holds the user's own choices only (one folder, names within it) and never the
// signature. Serialise and Parse are each other's inverse; Parse accepts nothing else.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/mbcs_text.h"

// A picture's state in the journal. Sending: the POST may have reached the server, whose
// verdict never came back.
enum class JournalState : char { Waiting = 'w', Sending = 's', Stored = 'k', Rejected = 'r', Failed = 'f' };

// A picture that a further pass would send: not stored, and not rejected.
inline bool IsPending(JournalState state) { return state != JournalState::Stored && state != JournalState::Rejected; }

// What tells an unchanged picture file: its size and its last-write time (as the system
// keeps it; compared, never interpreted).
struct FileStamp {
    std::uint64_t nSize = 0;
    std::uint64_t nModified = 0;
    bool operator==(const FileStamp&) const = default;
};

struct JournalPicture {
    std::string strName;  // within the journal's folder
    FileStamp stamp;
    JournalState state = JournalState::Waiting;
};

class CPassJournal {
public:
    // Bounds of what is read back: a pass of a folder's pictures fits with room to spare.
    static constexpr std::size_t kMaxBytes = std::size_t{4} << 20;
    static constexpr std::size_t kMaxPictures = 20000;
    // A journal not written for this long is someone's old list: it goes unread.
    static constexpr std::int64_t kMaxAgeSeconds = 7 * 24 * 3600;

    CPassJournal(long nUser, std::string strAlbum, std::string strFolder);

    // Nothing for bytes that are not a whole journal of this version, for a picture outside
    // one local folder, or for a journal of a later version.
    static std::optional<CPassJournal> Parse(std::string_view bytes, LeadByteTest pfnIsLead);
    // Also tells, when asked, where each picture's state letter stands in the text (in the
    // order of Pictures()): a later state may be written over it in place, and the text is
    // still a whole journal, whichever of its letters a write reached.
    std::string Serialise(std::vector<std::size_t>* pStateOffsets = nullptr) const;

    // The journal's file name for this user and album: the same pair always gives the same
    // name, made of letters, digits and '-' only, whatever the album is called.
    static std::string FileNameFor(long nUser, std::string_view strAlbum);
    // True for a folder a journal may name: a drive's absolute path ("C:\..."), no "." or ".."
    // part, no control byte. A network path is not taken: a journal must not send the
    // control to another machine.
    static bool IsLocalFolder(std::string_view strFolder, LeadByteTest pfnIsLead);
    // True for a picture's name within its folder: a GIF or JPEG name without a separator.
    static bool IsPictureName(std::string_view strName, LeadByteTest pfnIsLead);

    long User() const { return m_nUser; }
    const std::string& Album() const { return m_strAlbum; }
    // With its trailing backslash.
    const std::string& Folder() const { return m_strFolder; }
    std::vector<JournalPicture>& Pictures() { return m_arrPictures; }
    const std::vector<JournalPicture>& Pictures() const { return m_arrPictures; }

    // Seconds since 1970 when it was last written.
    std::int64_t WrittenAt() const { return m_nWrittenAt; }
    void SetWrittenAt(std::int64_t nSeconds) { m_nWrittenAt = nSeconds; }
    // Too old to offer, or written at a time that has not come yet (a clock set back must
    // not keep a list forever).
    bool IsStale(std::int64_t nNow) const;

    // The pictures that are not stored and were not rejected: what a further pass would send.
    std::size_t PendingCount() const;

private:
    long m_nUser;
    std::string m_strAlbum;
    std::string m_strFolder;
    std::int64_t m_nWrittenAt = 0;
    std::vector<JournalPicture> m_arrPictures;
};
