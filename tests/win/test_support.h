// Helpers shared by the Windows tests: COM apartment, message pumping, test windows, an
// event sink, scratch folders and files, paths.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Initialises OLE on the test's thread for its lifetime.
class CTestApartment {
public:
    CTestApartment();
    ~CTestApartment();
    CTestApartment(const CTestApartment&) = delete;
    CTestApartment& operator=(const CTestApartment&) = delete;
};

// Pumps this thread's messages until the condition holds or the time runs out, waiting
// at most stepMs for a message between two looks at the condition. Message nKeepQueued
// (when not 0) stays queued for the condition to find: a pump that dispatched it first
// would hide it from the test.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs = 10, UINT nKeepQueued = 0);
void PumpFor(DWORD ms);

#include <objbase.h>

// An export of a loaded module as a typed function pointer.
template <class Fn>
Fn ProcAddress(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A plain top-level window to hold a control under test; destroyed with the object.
// Hidden unless asked: mapping and unmapping a window on the X display costs seconds.
class CTestWindow {
public:
    CTestWindow(int width, int height, const char* title = "tessaline test", bool bVisible = false);
    ~CTestWindow();
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;
    HWND Get() const { return m_hWnd; }

private:
    HWND m_hWnd;
};

// Counts the calls of one event, by dispatch id, on any dispinterface.
class CEventCounter : public IDispatch {
public:
    explicit CEventCounter(const IID& iid) : m_iid(iid) {}
    int Count(DISPID id) const { return id == 1 ? m_nFired : 0; }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRef; }
    STDMETHODIMP_(ULONG) Release() override { return --m_nRef; }  // lives on the test's stack
    STDMETHODIMP GetTypeInfoCount(UINT* p) override {
        *p = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    ULONG RefCount() const { return m_nRef; }

private:
    IID m_iid;
    ULONG m_nRef = 1;
    int m_nFired = 0;
};

// Linux path of the build's .ocx (from the test environment) as a Windows path.
std::string OcxPath();
// Deletes a folder with everything in it, read-only files included.
void RemoveTree(const std::string& dir);

// The temporary folder, with its trailing backslash.
std::string TempFolder();
// Files of this control in the temporary folder (GetTempFileNameA keeps 3 letters of the
// prefix: DOR*.tmp).
std::vector<std::string> ControlTempFiles();

// A folder of the test's own under the temporary folder, removed with everything in it.
class CScratchFolder {
public:
    CScratchFolder();
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;
    const std::string& Path() const { return m_strPath; }
    // The path of a file of that name in the folder, which this does not make.
    std::string File(const std::string& strName) const { return m_strPath + "\\" + strName; }
    // A file of that name holding the bytes; its path.
    std::string Write(const std::string& strName, const std::vector<std::uint8_t>& arrBytes) const;
    // A file of that name of nBytes filler bytes; its path.
    std::string Fill(const std::string& strName, std::size_t nBytes) const;
    // A folder of that name in this one, made; its path.
    std::string Sub(const std::string& strName) const;

private:
    std::string m_strPath;
};

bool WriteBytes(const std::string& strPath, const void* pData, std::size_t nSize);
// The whole file; empty when it cannot be read.
std::vector<std::uint8_t> ReadBytes(const std::string& strPath);

// A Linux path as Wine sees it through drive Z:.
std::string WindowsPathOf(const std::string& linuxPath);
