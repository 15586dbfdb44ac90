#include "test_support.h"

#include <objbase.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Every test program of the tree runs in one Wine prefix, and CTest runs them side by side:
// each gets a temporary folder of its own, so that one program's counts of the control's
// temporary files never see another's.
class CPrivateTempFolder {
public:
    CPrivateTempFolder() {
        char szShared[MAX_PATH];
        const DWORD n = GetTempPathA(MAX_PATH, szShared);
        if (n == 0 || n >= MAX_PATH) return;
        m_strPath = std::string(szShared) + "tessaline-test-" + std::to_string(GetCurrentProcessId());
        if (!CreateDirectoryA(m_strPath.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            m_strPath.clear();
            return;
        }
        const std::string strWithSlash = m_strPath + "\\";
        SetEnvironmentVariableA("TMP", strWithSlash.c_str());
        SetEnvironmentVariableA("TEMP", strWithSlash.c_str());
    }
    ~CPrivateTempFolder() {
        if (!m_strPath.empty()) RemoveTree(m_strPath);
    }
    CPrivateTempFolder(const CPrivateTempFolder&) = delete;
    CPrivateTempFolder& operator=(const CPrivateTempFolder&) = delete;

private:
    std::string m_strPath;
};

const CPrivateTempFolder g_privateTemp;

}  // namespace

CTestApartment::CTestApartment() { OleInitialize(nullptr); }
CTestApartment::~CTestApartment() { OleUninitialize(); }

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs, UINT nKeepQueued) {
    // Any message but nKeepQueued; 0 to 0 is every message.
    const auto next = [nKeepQueued](MSG& msg) {
        if (nKeepQueued == 0) return PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE;
        return PeekMessageA(&msg, nullptr, 0, nKeepQueued - 1, PM_REMOVE) ||
               PeekMessageA(&msg, nullptr, nKeepQueued + 1, 0xFFFFFFFF, PM_REMOVE);
    };
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (next(msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, stepMs, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

CTestWindow::CTestWindow(int width, int height, const char* title, bool bVisible) {
    static ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = "TessalineTestWindow";
        return RegisterClassA(&wc);
    }();
    (void)atom;
    m_hWnd = CreateWindowExA(0, "TessalineTestWindow", title,
                             WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | (bVisible ? WS_VISIBLE : 0), 0, 0, width, height,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

CTestWindow::~CTestWindow() {
    if (m_hWnd) DestroyWindow(m_hWnd);
}

STDMETHODIMP CEventCounter::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == m_iid) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP CEventCounter::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    if (id == 1) ++m_nFired;
    return S_OK;
}

namespace {
// Wide, so that names the code page cannot carry go too.
void RemoveTreeW(const std::wstring& dir) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = dir + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTreeW(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(h, &data));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}
}  // namespace

void RemoveTree(const std::string& dir) {
    std::wstring wide(dir.size() + 1, L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, dir.data(), static_cast<int>(dir.size()),
                                                        wide.data(), static_cast<int>(wide.size()))));
    RemoveTreeW(wide);
}

std::string WindowsPathOf(const std::string& linuxPath) {
    std::string path = "Z:" + linuxPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string OcxPath() {
    const char* ocx = std::getenv("TESSALINE_OCX");
    return ocx ? WindowsPathOf(ocx) : std::string();
}

std::string TempFolder() {
    char szTemp[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(MAX_PATH, szTemp);
    return std::string(szTemp, n <= MAX_PATH ? n : 0);
}

CScratchFolder::CScratchFolder() {
    static LONG s_nNext = 0;
    // A name that is taken (a folder left by a program that died) is passed over.
    do {
        m_strPath = TempFolder() + "tessaline-scratch-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(InterlockedIncrement(&s_nNext));
    } while (!CreateDirectoryA(m_strPath.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
}

CScratchFolder::~CScratchFolder() { RemoveTree(m_strPath); }

std::string CScratchFolder::Write(const std::string& strName, const std::vector<std::uint8_t>& arrBytes) const {
    const std::string strPath = File(strName);
    WriteBytes(strPath, arrBytes.data(), arrBytes.size());
    return strPath;
}

std::string CScratchFolder::Fill(const std::string& strName, std::size_t nBytes) const {
    const std::string strPath = File(strName);
    const std::string strFiller(nBytes, 'x');
    WriteBytes(strPath, strFiller.data(), strFiller.size());
    return strPath;
}

std::string CScratchFolder::Sub(const std::string& strName) const {
    const std::string strPath = File(strName);
    CreateDirectoryA(strPath.c_str(), nullptr);
    return strPath;
}

bool WriteBytes(const std::string& strPath, const void* pData, std::size_t nSize) {
    FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile) return false;
    const bool bOk = nSize == 0 || std::fwrite(pData, 1, nSize, pFile) == nSize;
    return std::fclose(pFile) == 0 && bOk;
}

std::vector<std::uint8_t> ReadBytes(const std::string& strPath) {
    std::vector<std::uint8_t> bytes;
    FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (!pFile) return bytes;
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), pFile)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(pFile);
    return bytes;
}

std::vector<std::string> ControlTempFiles() {
    std::vector<std::string> arrFiles;
    const std::string strTemp = TempFolder();
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA((strTemp + "DOR*.tmp").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE) return arrFiles;
    do {
        arrFiles.push_back(strTemp + fd.cFileName);
    } while (FindNextFileA(hFind, &fd));
    FindClose(hFind);
    return arrFiles;
}
