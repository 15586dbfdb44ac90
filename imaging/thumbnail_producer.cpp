#include "framework/gdi.h"
#include "imaging/thumbnail_producer.h"
#include "framework/thread_apartment.h"
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

// The thread of the producer cut loose last, until a new producer has seen it end. A new
// producer makes nothing before that, so clicking through folders during slow pictures
// leaves at most one producer cut loose at work (and any that were waiting end at once).
SRWLOCK s_lockLoose = SRWLOCK_INIT;
CScopedHandle s_hLoose;

// A handle to the producer cut loose last while it runs; none once it has ended.
CScopedHandle RunningLooseProducer() {
    AcquireSRWLockExclusive(&s_lockLoose);
    if (s_hLoose && WaitForSingleObject(s_hLoose.Get(), 0) != WAIT_TIMEOUT) s_hLoose.Reset();
    HANDLE hCopy = nullptr;
    if (s_hLoose)
        DuplicateHandle(GetCurrentProcess(), s_hLoose.Get(), GetCurrentProcess(), &hCopy, SYNCHRONIZE, FALSE, 0);
    ReleaseSRWLockExclusive(&s_lockLoose);
    return CScopedHandle(hCopy);
}

void RememberLooseProducer(HANDLE hThread) {
    AcquireSRWLockExclusive(&s_lockLoose);
    // While the one cut loose before still runs, this one has only been waiting for it and
    // ends at once: the older one stays the one to wait for.
    if (!s_hLoose || WaitForSingleObject(s_hLoose.Get(), 0) != WAIT_TIMEOUT) {
        HANDLE hCopy = nullptr;
        if (DuplicateHandle(GetCurrentProcess(), hThread, GetCurrentProcess(), &hCopy, SYNCHRONIZE, FALSE, 0))
            s_hLoose.Reset(hCopy);
    }
    ReleaseSRWLockExclusive(&s_lockLoose);
}

// What the thread owns: its share of the batch, the producer cut loose before it (if one
// still ran when it started), and a reference to the module holding its code, so that a
// producer cut loose cannot outlive the control's DLL.
struct CProducerStart {
    std::shared_ptr<CThumbBatch> pBatch;
    CScopedHandle hAfter;
    HMODULE hModule = nullptr;
};

CThumbResult MakeOne(const std::string& strPath, SIZE sizeBox, const std::atomic<bool>& bGoOn) {
    CThumbResult result;
    // The screen stands in for the grid window: the same device and resolution, and unlike
    // the window it cannot vanish while a cut-loose producer still draws.
    const CWindowDC dc(nullptr);
    SIZE sizePicture{};
    // The file's size is the listing's business; the loader reports it anyway.
    std::uint32_t nFileSize = 0;
    // Only this picture is decoded while the thumbnail is made; it goes before the next.
    CComPtrT<IPicture> picture = LoadPictureForBox(strPath, sizeBox, dc.Get(), &nFileSize, &sizePicture, &bGoOn);
    if (!picture) return result;
    PixelRect rcBox{0, 0, static_cast<int>(sizeBox.cx), static_cast<int>(sizeBox.cy)};
    FitPictureRect(rcBox, static_cast<int>(sizePicture.cx), static_cast<int>(sizePicture.cy));
    result.pThumb = MakeThumbnail(dc.Get(), picture.Get(), rcBox.Width(), rcBox.Height());
    if (result.pThumb) result.sizeThumb = SIZE{rcBox.Width(), rcBox.Height()};
    return result;
}

void Produce(CThumbBatch& batch, HANDLE hAfter) {
    if (hAfter && !batch.WaitForThreadEnd(hAfter)) {
        batch.SetDone();
        return;
    }
    const CThreadApartment apartment;
    try {
        while (const std::optional<std::size_t> next = batch.WaitForWork())
            batch.Publish(*next, MakeOne(batch.GetPath(*next), batch.GetBox(), batch.GoOnFlag()));
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
        Produce(*pStart->pBatch, pStart->hAfter.Get());
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
    pStart->hAfter = RunningLooseProducer();
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
    if (!bEnded) {
        m_pBatch->Abandon();
        RememberLooseProducer(m_hThread.Get());
    }
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
