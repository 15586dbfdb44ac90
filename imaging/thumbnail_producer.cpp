#include "framework/gdi.h"
#include "imaging/thumbnail_producer.h"

#include "imaging/fit_picture.h"
#include "imaging/load_picture.h"
#include "imaging/thumb_batch.h"
#include "imaging/thumbnail.h"

#include <objbase.h>

#include <atomic>
#include <cstdint>
#include <optional>

namespace {

std::atomic<long> s_nRunning{0};

// What the thread owns: its share of the batch, and a reference to the module holding its
// code, so that a producer cut loose cannot outlive the control's DLL.
struct CProducerStart {
    std::shared_ptr<CThumbBatch> pBatch;
    HMODULE hModule = nullptr;
};

// COM for the thread's whole life: the system's picture decoders are COM objects, and an
// apartment made and dropped around every picture would reload them each time.
class CThreadApartment {
public:
    CThreadApartment() : m_bInit(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CThreadApartment() {
        if (m_bInit) CoUninitialize();
    }
    CThreadApartment(const CThreadApartment&) = delete;
    CThreadApartment& operator=(const CThreadApartment&) = delete;

private:
    bool m_bInit;
};

CThumbResult MakeOne(const std::string& strPath, SIZE sizeBox) {
    CThumbResult result;
    // The screen stands in for the grid window: the same device and resolution, and unlike
    // the window it cannot vanish while a cut-loose producer still draws.
    const CWindowDC dc(nullptr);
    SIZE sizePicture{};
    // The file's size is the listing's business; the loader reports it anyway.
    std::uint32_t nFileSize = 0;
    // Only this picture is decoded while the thumbnail is made; it goes before the next.
    CComPtrT<IPicture> picture = LoadPictureForBox(strPath, sizeBox, dc.Get(), &nFileSize, &sizePicture);
    if (!picture) return result;
    PixelRect rcBox{0, 0, static_cast<int>(sizeBox.cx), static_cast<int>(sizeBox.cy)};
    FitPictureRect(rcBox, static_cast<int>(sizePicture.cx), static_cast<int>(sizePicture.cy));
    result.pThumb = MakeThumbnail(dc.Get(), picture.Get(), rcBox.Width(), rcBox.Height());
    if (result.pThumb) result.sizeThumb = SIZE{rcBox.Width(), rcBox.Height()};
    return result;
}

void Produce(CThumbBatch& batch) {
    const CThreadApartment apartment;
    try {
        while (const std::optional<std::size_t> next = batch.WaitForWork())
            batch.Publish(*next, MakeOne(batch.GetPath(*next), batch.GetBox()));
    } catch (...) {
        // Out of memory, say: end in order, keeping the thumbnails already made.
    }
    batch.SetDone();
}

DWORD WINAPI ThumbnailProducer(void* pParam) {
    HMODULE hModule = nullptr;
    {
        std::unique_ptr<CProducerStart> pStart(static_cast<CProducerStart*>(pParam));
        hModule = pStart->hModule;
        Produce(*pStart->pBatch);
    }  // the batch may go here, with the results nobody took
    s_nRunning.fetch_sub(1);
    // Drops our reference to the module and ends the thread without returning into code
    // that might be unloaded by then.
    FreeLibraryAndExitThread(hModule, 1);
}

}  // namespace

bool CThumbnailProducer::Start(std::shared_ptr<const CPictureNames> pNames, HWND hwndNotify, SIZE sizeBox) {
    Stop(kStopWaitMs);
    if (!pNames) return false;
    auto pBatch = std::make_shared<CThumbBatch>(std::move(pNames), hwndNotify, sizeBox);
    if (!pBatch->IsValid()) return false;
    auto pStart = std::make_unique<CProducerStart>();
    pStart->pBatch = pBatch;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ThumbnailProducer),
                            &pStart->hModule))
        return false;
    const HMODULE hModule = pStart->hModule;
    s_nRunning.fetch_add(1);
    HANDLE hThread = CreateThread(nullptr, 0, &ThumbnailProducer, pStart.get(), 0, nullptr);
    if (!hThread) {
        s_nRunning.fetch_sub(1);
        FreeLibrary(hModule);
        return false;
    }
    (void)pStart.release();  // the thread's now
    m_hThread.Reset(hThread);
    m_pBatch = std::move(pBatch);
    return true;
}

bool CThumbnailProducer::Stop(DWORD nWaitMs) {
    if (!m_pBatch) return true;
    m_pBatch->RequestStop();
    const bool bEnded = m_pBatch->WaitDone(nWaitMs);
    if (!bEnded) m_pBatch->Abandon();
    // Either way the batch is the producer's alone from here on.
    m_pBatch.reset();
    m_hThread.Reset();
    return bEnded;
}

long CThumbnailProducer::GetRunningCount() { return s_nRunning.load(); }

bool CThumbnailProducer::IsRunning() const {
    return m_hThread && WaitForSingleObject(m_hThread.Get(), 0) == WAIT_TIMEOUT;
}

void CThumbnailProducer::Want(std::size_t nFirst, std::size_t nEnd, std::size_t nAround) {
    if (m_pBatch) m_pBatch->Want(nFirst, nEnd, nAround);
}

void CThumbnailProducer::Forget(std::size_t nIndex) {
    if (m_pBatch) m_pBatch->Forget(nIndex);
}

std::size_t CThumbnailProducer::DistanceFromScreen(std::size_t nIndex) const {
    return m_pBatch ? m_pBatch->DistanceFromScreen(nIndex) : 0;
}

std::size_t CThumbnailProducer::TakeResults(
    const std::function<void(std::size_t nIndex, CThumbResult& result)>& adopt) {
    return m_pBatch ? m_pBatch->TakeResults(adopt) : 0;
}
