#include <winsock2.h>

#include "transport_test_support.h"

#include <wincrypt.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <sstream>

#include "framework/scoped_handle.h"
#include "transport/notify_wnd.h"
#include "transport/request_context.h"

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

int EnvPort(const char* name) { return std::atoi(Env(name).c_str()); }

class CWinsock {
public:
    CWinsock() {
        WSADATA data;
        m_bOk = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~CWinsock() {
        if (m_bOk) WSACleanup();
    }
    bool Ok() const { return m_bOk; }

private:
    bool m_bOk = false;
};

}  // namespace

int AlbumPort() { return EnvPort("TESSALINE_ALBUM_PORT"); }
int FaultPort() { return EnvPort("TESSALINE_FAULT_PORT"); }
std::string AlbumSignature(const std::string& album) {
    return Env(album == "Small" ? "TESSALINE_ALBUM_SIGNATURE_SMALL" : "TESSALINE_ALBUM_SIGNATURE");
}
std::string AlbumDataFolder() { return WindowsPathOf(Env("TESSALINE_ALBUM_DATA")); }

std::string AlbumFolder() { return AlbumDataFolder() + "\\10001\\54726176656c\\"; }

namespace {

std::string EnvVariable(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n < sizeof value ? std::string(value, n) : std::string();
}

}  // namespace

CReadOnlyTempFolder::CReadOnlyTempFolder()
    : m_strPath(Env("TESSALINE_READONLY_FOLDER").empty() ? "" : WindowsPathOf(Env("TESSALINE_READONLY_FOLDER"))),
      m_strTmp(EnvVariable("TMP")),
      m_strTemp(EnvVariable("TEMP")) {
    SetEnvironmentVariableA("TMP", m_strPath.c_str());
    SetEnvironmentVariableA("TEMP", m_strPath.c_str());
}

CReadOnlyTempFolder::~CReadOnlyTempFolder() {
    SetEnvironmentVariableA("TMP", m_strTmp.empty() ? nullptr : m_strTmp.c_str());
    SetEnvironmentVariableA("TEMP", m_strTemp.empty() ? nullptr : m_strTemp.c_str());
}

bool CReadOnlyTempFolder::RefusesFiles() const {
    if (m_strPath.empty()) return false;
    const std::string probe = m_strPath + "\\probe";
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return true;
    CloseHandle(h);
    DeleteFileA(probe.c_str());
    return false;
}

std::string FaultUrl(const std::string& path) { return "http://127.0.0.1:" + std::to_string(FaultPort()) + path; }

std::string AlbumUrl(const std::string& path) { return "http://127.0.0.1:" + std::to_string(AlbumPort()) + path; }

int FrontPort(const std::string& name) { return EnvPort(("TESSALINE_FRONT_" + name).c_str()); }

std::string LocalhostUrl(const char* pszScheme, int nPort, const std::string& path) {
    return std::string(pszScheme) + "://localhost:" + std::to_string(nPort) + path;
}

std::string PercentEncoded(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c)) {
            out.push_back(static_cast<char>(c));
        } else {
            char sz[4];
            std::snprintf(sz, sizeof sz, "%%%02X", c);
            out += sz;
        }
    }
    return out;
}

std::string RawHttpGet(int port, const std::string& path) {
    CWinsock winsock;
    if (!winsock.Ok()) return "";
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return "";
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // A server that stalls fails the test that asked instead of holding the program for good.
    const DWORD dwTimeoutMs = 30000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&dwTimeoutMs), sizeof dwTimeoutMs);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&dwTimeoutMs), sizeof dwTimeoutMs);
    std::string answer;
    if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        const std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        send(s, request.data(), static_cast<int>(request.size()), 0);
        char buffer[4096];
        for (;;) {
            const int n = recv(s, buffer, sizeof buffer, 0);
            if (n < 0) std::fprintf(stderr, "no answer from port %d to %s\n", port, path.c_str());
            if (n <= 0) break;
            answer.append(buffer, static_cast<size_t>(n));
        }
    }
    closesocket(s);
    const size_t nBody = answer.find("\r\n\r\n");
    return nBody == std::string::npos ? "" : answer.substr(nBody + 4);
}

std::vector<FaultLogEntry> FaultLog() {
    std::vector<FaultLogEntry> entries;
    std::istringstream lines(RawHttpGet(FaultPort(), "/_log"));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        FaultLogEntry entry;
        if (words >> entry.method >> entry.path >> entry.nBodyBytes) entries.push_back(entry);
    }
    return entries;
}

void ClearFaultLog() { RawHttpGet(FaultPort(), "/_clear"); }

std::map<std::string, long> AlbumStats() {
    std::map<std::string, long> stats;
    std::istringstream lines(RawHttpGet(AlbumPort(), "/stats"));
    std::string name;
    long value = 0;
    while (lines >> name >> value) stats[name] = value;
    return stats;
}

size_t CRecordingListener::Count(Heard::Kind kind) const {
    size_t n = 0;
    for (const Heard& h : m_events)
        if (h.kind == kind) ++n;
    return n;
}

const Heard* CRecordingListener::Last(Heard::Kind kind) const {
    for (auto it = m_events.rbegin(); it != m_events.rend(); ++it)
        if (it->kind == kind) return &*it;
    return nullptr;
}

std::vector<uint32_t> CRecordingListener::RetryDelays() const {
    std::vector<uint32_t> delays;
    for (const Heard& h : m_events)
        if (h.kind == Heard::RetryWait) delays.push_back(h.nFirst);
    return delays;
}

void CRecordingListener::Record(Heard heard) {
    m_events.push_back(heard);
    if (m_onHeard) m_onHeard(m_events.back());
}

std::string CRecordingListener::Describe() const {
    static const char* const kNames[] = {"connecting", "response", "begin", "progress",
                                         "finished",   "redirect", "error", "retry-wait"};
    std::string text;
    size_t nProgress = 0;
    for (const Heard& h : m_events) {
        if (h.kind == Heard::Progress) {
            ++nProgress;
            continue;
        }
        if (nProgress) text += "progress x" + std::to_string(nProgress) + "; ";
        nProgress = 0;
        text += std::string(kNames[h.kind]) + "(" + std::to_string(h.nFirst) + "," + std::to_string(h.nSecond) +
                (h.text.empty() ? "" : "," + h.text) + "); ";
    }
    if (nProgress) text += "progress x" + std::to_string(nProgress) + "; ";
    return text;
}

char PatternByte(uint64_t nOffset, uint32_t nSeed) {
    // Varies within and across chunks, so that a chunk sent twice or out of order shows.
    const uint64_t x = (nOffset + 1) * 2654435761u + nSeed * 40503u;
    return static_cast<char>((x >> 13) ^ (nOffset >> 10));
}

CScratchFile::CScratchFile(const std::string& name, uint64_t nSize, uint32_t nSeed)
    : m_strPath(m_folder.File(name)), m_nSize(nSize) {
    CScopedHandle hFile(
        CreateFileA(m_strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<char> block(1 << 20);
    for (uint64_t nDone = 0; nDone < nSize && hFile;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), nSize - nDone));
        for (size_t i = 0; i < n; ++i) block[i] = PatternByte(nDone + i, nSeed);
        DWORD dwWritten = 0;
        if (!WriteFile(hFile.Get(), block.data(), static_cast<DWORD>(n), &dwWritten, nullptr) || dwWritten != n) break;
        nDone += n;
    }
}

bool ReadWholeFile(const std::string& path, std::string& contents) {
    CScopedHandle hFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hFile) return false;
    contents.clear();
    char buffer[65536];
    for (;;) {
        DWORD dwRead = 0;
        if (!ReadFile(hFile.Get(), buffer, sizeof buffer, &dwRead, nullptr)) return false;
        if (dwRead == 0) return true;
        contents.append(buffer, dwRead);
    }
}

bool FilesEqual(const std::string& pathA, const std::string& pathB) {
    CScopedHandle a(CreateFileA(pathA.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    CScopedHandle b(CreateFileA(pathB.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!a || !b) return false;
    std::vector<char> bufA(1 << 20), bufB(1 << 20);
    for (;;) {
        DWORD nA = 0, nB = 0;
        if (!ReadFile(a.Get(), bufA.data(), static_cast<DWORD>(bufA.size()), &nA, nullptr) ||
            !ReadFile(b.Get(), bufB.data(), static_cast<DWORD>(bufB.size()), &nB, nullptr))
            return false;
        if (nA != nB || std::memcmp(bufA.data(), bufB.data(), nA) != 0) return false;
        if (nA == 0) return true;
    }
}

std::string Sha256Hex(const std::string& path) {
    HCRYPTPROV hProv = 0;
    if (!CryptAcquireContextA(&hProv, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return "";
    HCRYPTHASH hHash = 0;
    std::string hex;
    if (CryptCreateHash(hProv, CALG_SHA_256, 0, 0, &hHash)) {
        CScopedHandle hFile(
            CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        std::vector<char> buffer(1 << 20);
        bool bOk = static_cast<bool>(hFile);
        while (bOk) {
            DWORD dwRead = 0;
            bOk = ReadFile(hFile.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &dwRead, nullptr);
            if (!bOk || dwRead == 0) break;
            bOk = CryptHashData(hHash, reinterpret_cast<BYTE*>(buffer.data()), dwRead, 0);
        }
        BYTE digest[32];
        DWORD dwSize = sizeof digest;
        if (bOk && CryptGetHashParam(hHash, HP_HASHVAL, digest, &dwSize, 0)) {
            char sz[3];
            for (DWORD i = 0; i < dwSize; ++i) {
                std::snprintf(sz, sizeof sz, "%02x", digest[i]);
                hex += sz;
            }
        }
        CryptDestroyHash(hHash);
    }
    CryptReleaseContext(hProv, 0);
    return hex;
}

namespace {

// SystemHandleInformation: GetProcessHandleCount is a stub under Wine, the system's list of
// handles is not.
struct SystemHandleEntry {
    ULONG nProcessId;
    UCHAR nObjectType;
    UCHAR nFlags;
    USHORT nHandle;
    PVOID pObject;
    ACCESS_MASK access;
};
struct SystemHandleList {
    ULONG nCount;
    SystemHandleEntry entries[1];
};
using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

DWORD CountOwnHandles() {
    static const auto query = reinterpret_cast<NtQuerySystemInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    std::vector<char> buffer(1 << 18);
    for (int nTry = 0; nTry < 8; ++nTry) {
        ULONG nNeeded = 0;
        const LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &nNeeded);
        if (status == 0) {
            const auto* pList = reinterpret_cast<const SystemHandleList*>(buffer.data());
            DWORD n = 0;
            for (ULONG i = 0; i < pList->nCount; ++i)
                if (pList->entries[i].nProcessId == GetCurrentProcessId()) ++n;
            return n;
        }
        buffer.resize(std::max<size_t>(buffer.size() * 2, nNeeded + 4096));
    }
    return 0;
}

}  // namespace

std::string DescribeOwnHandles() {
    static const auto query = reinterpret_cast<NtQuerySystemInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<char> buffer(1 << 20);
    ULONG nNeeded = 0;
    if (!query || query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &nNeeded) != 0) return "";
    const auto* pList = reinterpret_cast<const SystemHandleList*>(buffer.data());
    std::string text;
    for (ULONG i = 0; i < pList->nCount; ++i)
        if (pList->entries[i].nProcessId == GetCurrentProcessId())
            text +=
                std::to_string(pList->entries[i].nHandle) + ":" + std::to_string(pList->entries[i].nObjectType) + " ";
    return text;
}

ResourceCounts CurrentResourceCounts() {
    ResourceCounts counts;
    {
        CScopedHandle hSnap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
        if (hSnap) {
            THREADENTRY32 entry{};
            entry.dwSize = sizeof entry;
            for (BOOL b = Thread32First(hSnap.Get(), &entry); b; b = Thread32Next(hSnap.Get(), &entry))
                if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++counts.nThreads;
        }
    }
    counts.nHandles = CountOwnHandles();
    return counts;
}

ResourceCounts WaitForResourcesAtMost(const ResourceCounts& baseline, DWORD dwTimeoutMs) {
    const DWORD dwStart = GetTickCount();
    for (;;) {
        const ResourceCounts now = CurrentResourceCounts();
        if ((now.nHandles <= baseline.nHandles && now.nThreads <= baseline.nThreads) ||
            GetTickCount() - dwStart > dwTimeoutMs)
            return now;
        Sleep(50);
    }
}

bool ThreadExists(DWORD dwThreadId) {
    CScopedHandle hSnap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!hSnap) return false;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL b = Thread32First(hSnap.Get(), &entry); b; b = Thread32Next(hSnap.Get(), &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId() && entry.th32ThreadID == dwThreadId) return true;
    return false;
}

bool WaitForTransportIdle(DWORD dwTimeoutMs) {
    return PumpUntil([] { return CRequestContext::LiveCount() == 0 && CNotifyWnd::LivePayloadCount() == 0; },
                     dwTimeoutMs);
}

std::string TransportStateText() {
    return "contexts " + std::to_string(CRequestContext::LiveCount()) + ", payloads " +
           std::to_string(CNotifyWnd::LivePayloadCount());
}
