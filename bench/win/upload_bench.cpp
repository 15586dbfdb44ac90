// One upload of a file to the album server, timed, for bench/upload.sh (http or https):
//   bench_upload.exe engine|plain URL FILE SIGNATURE ALBUM KXUIN NAME
// "engine" runs CHttpUpload on its worker with this thread pumping messages as a user
// interface does, and measures how soon this thread answers a message posted to it;
// "plain" is the baseline: the same body, in the same 10240-byte chunks, written by a
// synchronous WinINet loop on this thread. Prints one line of key=value pairs.
//   bench_upload.exe plain-folder URL FOLDER SIGNATURE ALBUM KXUIN
// The peer of bench/batch.sh and bench/batch_tls.sh: every *.jpg of FOLDER, in name order,
// posted by that loop on one connection, each named as itself.
//   bench_upload.exe engine-folder URL FOLDER SIGNATURE ALBUM KXUIN
// The same pictures through one CHttpUpload, one job after another as the batch runs them,
// without the batch's dialog: bench/batch.sh tells the engine's share of the control's time.
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "framework/scoped_handle.h"
#include "framework/text.h"
#include "transport/header_lookup.h"
#include "transport/http_upload.h"
#include "transport/http_url.h"
#include "transport/internet_handle.h"
#include "transport/multipart_form.h"
#include "bench_clock.h"
#include "ui_probe.h"

namespace {

SIZE_T PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

struct Job {
    std::string url, file, signature, album, kxuin, name;
    uint64_t nFileSize = 0;
};

void AddFields(Job& job, const std::function<void(const std::string&, const std::string&)>& add) {
    char szKb[32];
    std::snprintf(szKb, sizeof szKb, "%.2f", static_cast<double>(job.nFileSize) / 1024.0);
    add("signature", job.signature);
    add("albumname", job.album);
    add("imgfile", job.name);
    add("filesize", szKb);
    add("kxuin", job.kxuin);
}

class CDoneListener : public CTransferListener {
public:
    void OnProgress(uint32_t nDone, uint32_t) override {
        ++m_nReports;
        m_nDone = nDone;
    }
    void OnFinished(TransferCode nCode, const char* pszPath) override {
        m_bFinished = true;
        m_nCode = nCode;
        m_strAnswer = pszPath;
    }
    bool m_bFinished = false;
    TransferCode m_nCode = TransferCode::Failed;
    std::string m_strAnswer;
    long m_nReports = 0;
    uint32_t m_nDone = 0;
};

int RunEngine(Job& job) {
    CDoneListener listener;
    CHttpUpload upload;
    upload.SetListener(&listener);
    upload.ResetForm();
    AddFields(job, [&](const std::string& n, const std::string& v) { upload.AddField(n, v); });

    // Probes every 10 ms, once the last one was answered, while the upload runs.
    CUiProbe probe(10);
    const double start = Seconds();
    if (!upload.StartUpload("album", job.url, job.file)) {
        std::fprintf(stderr, "StartUpload refused\n");
        return 2;
    }
    MSG msg;
    while (!listener.m_bFinished && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    const double seconds = Seconds() - start;
    probe.Stop();

    uint32_t nRetCode = 0;
    upload.GetHeaderNumber("Album-RetCode", nRetCode);
    upload.Stop();
    DeleteFileA(listener.m_strAnswer.c_str());
    std::printf(
        "mode=engine code=%u retcode=%u seconds=%.4f bytes=%llu reports=%ld peak_ws=%lu ui_worst_ms=%.2f "
        "ui_samples=%ld\n",
        static_cast<unsigned>(listener.m_nCode), nRetCode, seconds, static_cast<unsigned long long>(listener.m_nDone),
        listener.m_nReports, static_cast<unsigned long>(PeakWorkingSet()), probe.WorstMs(), probe.Samples());
    return listener.m_nCode == TransferCode::Complete && nRetCode == 100 ? 0 : 1;
}

// One POST of the job's form and file by a synchronous WinINet loop on the connection given;
// the album's verdict, 0 when the request failed.
constexpr size_t kPlainChunk = 10240;

uint32_t PostPlain(HINTERNET hConnect, const CHttpUrl& url, Job& job, uint64_t& nSent) {
    CMultipartForm form;
    form.ResetForm("B0b1c2");
    AddFields(job, [&](const std::string& n, const std::string& v) { form.AddField(n, v); });
    form.AddFilePart("album", job.file, IsAnsiLeadByte);

    const char* accept[] = {"*/*", nullptr};
    CScopedInternet hRequest(HttpOpenRequestA(hConnect, "POST", url.Object().c_str(), "HTTP/1.1", nullptr, accept,
                                              CHttpTransfer::kOpenFlags | (url.IsSecure() ? INTERNET_FLAG_SECURE : 0),
                                              0));
    const std::string contentType = form.ContentTypeHeader();
    HttpAddRequestHeadersA(hRequest.Get(), contentType.c_str(), static_cast<DWORD>(contentType.size()),
                           HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
    CScopedHandle hFile(CreateFileA(job.file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    INTERNET_BUFFERSA buffers{};
    buffers.dwStructSize = sizeof buffers;
    buffers.dwBufferTotal = *form.ContentLength(job.nFileSize);
    if (!hRequest || !hFile || !HttpSendRequestExA(hRequest.Get(), &buffers, nullptr, 0, 0)) {
        std::fprintf(stderr, "plain: cannot send (%lu)\n", GetLastError());
        return 0;
    }
    // The form text, the file and the trailer, each written as it comes in pieces of 10 KiB.
    const auto write = [&](const char* p, size_t nSize) {
        for (size_t nDone = 0; nDone < nSize;) {
            DWORD dwWritten = 0;
            const auto nPiece = static_cast<DWORD>(std::min<size_t>(nSize - nDone, kPlainChunk));
            if (!InternetWriteFile(hRequest.Get(), p + nDone, nPiece, &dwWritten)) return false;
            nDone += nPiece;
        }
        nSent += nSize;
        return true;
    };
    if (!write(form.FormData().data(), form.FormData().size())) return 0;
    static char chunk[kPlainChunk];
    for (DWORD dwRead = 0; ReadFile(hFile.Get(), chunk, sizeof chunk, &dwRead, nullptr) && dwRead;)
        if (!write(chunk, dwRead)) return 0;
    if (!write(form.Trailer().data(), form.Trailer().size())) return 0;
    if (!HttpEndRequestA(hRequest.Get(), nullptr, 0, 0)) return 0;
    char answer[4096];
    DWORD dwRead = 0;
    while (InternetReadFile(hRequest.Get(), answer, sizeof answer, &dwRead) && dwRead) {
    }
    std::string headers(8192, '\0');
    DWORD dwSize = static_cast<DWORD>(headers.size());
    HttpQueryInfoA(hRequest.Get(), HTTP_QUERY_RAW_HEADERS_CRLF, headers.data(), &dwSize, nullptr);
    headers.resize(dwSize);
    uint32_t nRetCode = 0;
    GetHeaderNumber(headers, "Album-RetCode", nRetCode);
    return nRetCode;
}

struct CPlainConnection {
    CScopedInternet hSession;
    CScopedInternet hConnect;
    explicit CPlainConnection(const CHttpUrl& url)
        : hSession(InternetOpenA(CHttpTransfer::kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)),
          hConnect(InternetConnectA(hSession.Get(), url.Host().c_str(), url.Port(), nullptr, nullptr,
                                    INTERNET_SERVICE_HTTP, 0, 0)) {}
};

int RunPlain(Job& job) {
    const auto url = CHttpUrl::Parse(job.url);
    if (!url) return 2;
    const double start = Seconds();
    CPlainConnection connection(*url);
    uint64_t nSent = 0;
    const uint32_t nRetCode = PostPlain(connection.hConnect.Get(), *url, job, nSent);
    const double seconds = Seconds() - start;
    std::printf("mode=plain retcode=%u seconds=%.4f bytes=%llu peak_ws=%lu\n", nRetCode, seconds,
                static_cast<unsigned long long>(nSent), static_cast<unsigned long>(PeakWorkingSet()));
    return nRetCode == 100 ? 0 : 1;
}

// Every *.jpg of the folder, in name order.
std::vector<std::string> PicturesOf(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE hFind = FindFirstFileA((folder + "\\*.jpg").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(hFind, &found));
    FindClose(hFind);
    std::sort(names.begin(), names.end());
    return names;
}

void TakeFile(Job& job, const std::string& folder, const std::string& name) {
    job.name = name;
    job.file = folder + "\\" + name;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(job.file.c_str(), GetFileExInfoStandard, &data);
    job.nFileSize = data.nFileSizeLow;
}

int RunEngineFolder(Job& job, const std::string& folder) {
    const std::vector<std::string> names = PicturesOf(folder);
    if (names.empty()) return 2;
    CDoneListener listener;
    CHttpUpload upload;
    upload.SetListener(&listener);
    long nStored = 0;
    const double start = Seconds();
    for (const std::string& name : names) {
        TakeFile(job, folder, name);
        upload.ResetForm();
        AddFields(job, [&](const std::string& n, const std::string& v) { upload.AddField(n, v); });
        listener.m_bFinished = false;
        if (!upload.StartUpload("album", job.url, job.file)) return 2;
        MSG msg;
        while (!listener.m_bFinished && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        uint32_t nRetCode = 0;
        if (upload.GetHeaderNumber("Album-RetCode", nRetCode) && nRetCode == 100) ++nStored;
    }
    upload.DiscardAnswerFile();
    const double seconds = Seconds() - start;
    std::printf("mode=engine-folder seconds=%.4f pictures=%zu stored=%ld\n", seconds, names.size(), nStored);
    return nStored == static_cast<long>(names.size()) ? 0 : 1;
}

int RunPlainFolder(Job& job, const std::string& folder) {
    const auto url = CHttpUrl::Parse(job.url);
    if (!url) return 2;
    const std::vector<std::string> names = PicturesOf(folder);
    if (names.empty()) return 2;

    const double start = Seconds();
    CPlainConnection connection(*url);
    long nStored = 0;
    uint64_t nSent = 0;
    for (const std::string& name : names) {
        TakeFile(job, folder, name);
        if (PostPlain(connection.hConnect.Get(), *url, job, nSent) == 100) ++nStored;
    }
    const double seconds = Seconds() - start;
    std::printf("mode=plain-folder seconds=%.4f pictures=%zu stored=%ld bytes=%llu\n", seconds, names.size(), nStored,
                static_cast<unsigned long long>(nSent));
    return nStored == static_cast<long>(names.size()) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "plain-folder" && argc == 7) {
        Job job{argv[2], "", argv[4], argv[5], argv[6], ""};
        return RunPlainFolder(job, argv[3]);
    }
    if (mode == "engine-folder" && argc == 7) {
        Job job{argv[2], "", argv[4], argv[5], argv[6], ""};
        return RunEngineFolder(job, argv[3]);
    }
    if (argc != 8) {
        std::fprintf(stderr,
                     "usage: bench_upload engine|plain URL FILE SIGNATURE ALBUM KXUIN NAME\n"
                     "       bench_upload plain-folder URL FOLDER SIGNATURE ALBUM KXUIN\n");
        return 2;
    }
    Job job{argv[2], argv[3], argv[4], argv[5], argv[6], argv[7]};
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(job.file.c_str(), GetFileExInfoStandard, &data)) {
        std::fprintf(stderr, "no file %s\n", job.file.c_str());
        return 2;
    }
    job.nFileSize = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    return mode == "engine" ? RunEngine(job) : RunPlain(job);
}
