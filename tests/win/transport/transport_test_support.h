// Helpers of the transport tests: the servers started by the wrapper script, a listener that
// records what it hears, scratch files, and counts of the process's handles and threads.
#pragma once
#include "../test_support.h"
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "transport/transfer_listener.h"

// Servers started by run-with-servers.sh.
int AlbumPort();
int FaultPort();
// Signatures of the albums "Travel" and "Small" of user 10001.
std::string AlbumSignature(const std::string& album = "Travel");
// The album server's data folder as Wine sees it.
std::string AlbumDataFolder();
// The album "Travel" of user 10001 as the album server stores it (its GBK name in hex), with
// its trailing backslash.
std::string AlbumFolder();

// While it lives, TMP and TEMP name a folder that refuses every new file.
class CReadOnlyTempFolder {
public:
    CReadOnlyTempFolder();
    ~CReadOnlyTempFolder();
    CReadOnlyTempFolder(const CReadOnlyTempFolder&) = delete;
    CReadOnlyTempFolder& operator=(const CReadOnlyTempFolder&) = delete;
    // A file cannot be made there (checked, so that a test of it stands on something true).
    bool RefusesFiles() const;

private:
    std::string m_strPath;
    std::string m_strTmp;
    std::string m_strTemp;
};
std::string FaultUrl(const std::string& path);
std::string AlbumUrl(const std::string& path);
// Peers of the https tests (run-with-servers.sh --tls), by name: "TRUSTED", "UNKNOWN_CA",
// "WRONG_NAME", "EXPIRED", "GARBAGE", "STALL".
int FrontPort(const std::string& name);
// An address on this machine by the name its test certificates carry.
std::string LocalhostUrl(const char* pszScheme, int nPort, const std::string& path);
// Percent-encodes every byte but letters and digits, so that text rides in one path segment.
std::string PercentEncoded(const std::string& text);

// A plain GET on 127.0.0.1 through a socket of its own (WinINet stays out of it, so that it
// leaves nothing behind in WinINet's connection pool). Returns the body, "" on failure.
std::string RawHttpGet(int port, const std::string& path);

struct FaultLogEntry {
    std::string method;
    std::string path;
    uint64_t nBodyBytes = 0;
};
std::vector<FaultLogEntry> FaultLog();
void ClearFaultLog();
// The album server's counters: uploads, stored, rejected, failed, incomplete.
std::map<std::string, long> AlbumStats();

// Everything a listener can hear, in order.
struct Heard {
    enum Kind { Connecting, Response, Begin, Progress, Finished, Redirect, Error, RetryWait } kind;
    uint32_t nFirst = 0;
    uint32_t nSecond = 0;
    std::string text;
};

class CRecordingListener : public CTransferListener {
public:
    void OnConnecting(const char* pszHost) override { Record({Heard::Connecting, 0, 0, pszHost}); }
    void OnResponse() override { Record({Heard::Response, 0, 0, {}}); }
    void OnBegin(uint32_t nStart, uint32_t nTotal) override { Record({Heard::Begin, nStart, nTotal, {}}); }
    void OnProgress(uint32_t nDone, uint32_t nTotal) override { Record({Heard::Progress, nDone, nTotal, {}}); }
    void OnFinished(TransferCode nCode, const char* pszPath) override {
        Record({Heard::Finished, static_cast<uint32_t>(nCode), 0, pszPath});
    }
    void OnRedirect(const char* pszUrl) override { Record({Heard::Redirect, 0, 0, pszUrl}); }
    void OnError(TransferCode nCode) override { Record({Heard::Error, static_cast<uint32_t>(nCode), 0, {}}); }
    void OnRetryWait(uint32_t nDelayMs, ::RetryWait why) override {
        Record({Heard::RetryWait, nDelayMs, static_cast<uint32_t>(why), {}});
    }

    // Called from inside the call that recorded `heard`, for tests that act on the spot.
    std::function<void(const Heard&)> m_onHeard;

    const std::vector<Heard>& Events() const { return m_events; }
    size_t Count(Heard::Kind kind) const;
    bool IsFinished() const { return Count(Heard::Finished) > 0; }
    const Heard* Last(Heard::Kind kind) const;
    // The delays of the retry waits heard, in order.
    std::vector<uint32_t> RetryDelays() const;
    void Clear() { m_events.clear(); }
    // Everything heard after MarkSilence() is a notification that should not have come.
    void MarkSilence() { m_nSilenceFrom = m_events.size(); }
    size_t HeardAfterSilence() const { return m_nSilenceFrom == SIZE_MAX ? 0 : m_events.size() - m_nSilenceFrom; }
    std::string Describe() const;

private:
    void Record(Heard heard);
    std::vector<Heard> m_events;
    size_t m_nSilenceFrom = SIZE_MAX;
};

// A file of patterned bytes (a function of the offset and the seed) in a scratch folder of
// its own, deleted with the object.
class CScratchFile {
public:
    CScratchFile(const std::string& name, uint64_t nSize, uint32_t nSeed = 1);
    const std::string& Path() const { return m_strPath; }
    uint64_t Size() const { return m_nSize; }

private:
    CScratchFolder m_folder;
    std::string m_strPath;
    uint64_t m_nSize;
};

// The bytes CScratchFile writes at one offset.
char PatternByte(uint64_t nOffset, uint32_t nSeed);
bool ReadWholeFile(const std::string& path, std::string& contents);
bool FilesEqual(const std::string& pathA, const std::string& pathB);
std::string Sha256Hex(const std::string& path);

// Handles and threads of this process.
struct ResourceCounts {
    DWORD nHandles = 0;
    DWORD nThreads = 0;
};
ResourceCounts CurrentResourceCounts();
// "handle:type " for each handle of this process, for diagnosing a leak.
std::string DescribeOwnHandles();
// Waits until the counts are back at (or below) the baseline; returns the last counts seen.
ResourceCounts WaitForResourcesAtMost(const ResourceCounts& baseline, DWORD dwTimeoutMs);
bool ThreadExists(DWORD dwThreadId);

// Waits until every transfer has let go of its contexts and payloads;
// false on time-out.
bool WaitForTransportIdle(DWORD dwTimeoutMs);
std::string TransportStateText();
