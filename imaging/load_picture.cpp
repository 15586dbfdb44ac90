#include "imaging/load_picture.h"

#include "framework/file_reader.h"
#include "framework/scoped_handle.h"
#include "imaging/embedded_thumbnail.h"
#include "imaging/exif_reader.h"
#include "imaging/area_scale.h"
#include "imaging/fit_picture.h"
#include "imaging/jpeg_error.h"
#include "imaging/picture_file.h"

#include <jerror.h>
#include <olectl.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t kNotOpened = 0xFFFFFFFF;  // no file is that long here

// Global memory locked for one scope.
class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL h) : m_h(h), m_p(static_cast<std::uint8_t*>(GlobalLock(h))) {}
    ~CGlobalLock() {
        if (m_p) GlobalUnlock(m_h);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    std::uint8_t* Get() const { return m_p; }

private:
    HGLOBAL m_h;
    std::uint8_t* m_p;
};

// The whole file in a movable global block (GlobalSize may round its size up, so the
// length comes separately); empty when the file cannot be opened or read, has no bytes or
// is larger than kMaxPictureFileBytes. *pFileSize as for LoadPicture.
CScopedGlobal ReadPictureFile(const std::string& strPath, std::uint32_t* pFileSize) {
    CScopedHandle file = OpenFileForReading(strPath);
    if (!file) return {};
    const auto nSize = OpenFileLength(file.Get());
    if (!nSize || *nSize > 0x7FFFFFFF) return {};
    const auto nLength = static_cast<DWORD>(*nSize);
    if (pFileSize) *pFileSize = nLength;
    if (nLength == 0 || nLength > kMaxPictureFileBytes) return {};
    CScopedGlobal hMem(GlobalAlloc(GMEM_MOVEABLE, nLength));
    if (!hMem) return {};
    const CGlobalLock lock(hMem.Get());
    // Shorter than its size said: it changed under us.
    if (!lock.Get() || ReadFileFully(file.Get(), lock.Get(), nLength) != nLength) return {};
    return hMem;
}

// What the first nLength bytes of the block are (SniffPictureType), or None when they
// declare more pixels than may be decoded.
PictureType DecodableType(HGLOBAL hBytes, std::uint32_t nLength) {
    const CGlobalLock lock(hBytes);
    if (!lock.Get()) return PictureType::None;
    const std::span<const std::uint8_t> bytes(lock.Get(), nLength);
    const auto size = ReadPictureDimensions(bytes);
    return !size || IsDecodableSize(*size) ? SniffPictureType(bytes) : PictureType::None;
}

// OleLoadPicture over a stream on the first nLength bytes of the block, which the stream
// frees; null on failure.
CComPtrT<IPicture> DecodePictureFile(CScopedGlobal hBytes, std::uint32_t nLength) {
    if (!hBytes || nLength == 0 || nLength > 0x7FFFFFFF) return {};
    CComPtrT<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(hBytes.Get(), TRUE, stream.Receive()))) return {};
    (void)hBytes.Take();  // the stream's now
    // The stream takes the block's size, which may be rounded up past the file's end.
    ULARGE_INTEGER nStreamSize{};
    nStreamSize.QuadPart = nLength;
    if (FAILED(stream->SetSize(nStreamSize))) return {};
    // Run mode FALSE, though TRUE would spare the copy of the file's bytes the picture then
    // keeps: Wine takes run mode TRUE to mean the picture does not own its bitmap, so every
    // picture released would leave its pixels behind (30 KB a thumbnail, megabytes for a
    // full-size picture). FALSE owns the bitmap on Windows and Wine alike.
    CComPtrT<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.Get(), static_cast<LONG>(nLength), FALSE, IID_IPicture, picture.ReceiveVoid())))
        return {};
    return picture;
}

// libjpeg's own memory for one decode: a progressive picture keeps every coefficient of the
// whole picture (about 3 bytes a pixel at the usual 4:2:0 sampling, whatever the scale),
// so this lets one of about 40 megapixels through and refuses an 8192 by 8192 one before
// any of it is allocated. There is no backing store to fall back on.
constexpr long kJpegMemoryLimit = 128L << 20;

// A camera or an editor writes a few, at most a couple of dozen scans; a crafted file can
// hold thousands, each a pass over the whole picture.
constexpr int kMaxJpegScans = 64;

// Called by libjpeg between rows and, while a progressive file is read in, between rows of
// each scan: gives up past kMaxJpegScans, or once the owner no longer wants the picture.
struct CJpegProgress : jpeg_progress_mgr {
    const std::atomic<bool>* pbGoOn = nullptr;

    static void Check(j_common_ptr cinfo) {
        const auto* pSelf = static_cast<const CJpegProgress*>(cinfo->progress);
        const bool bWanted = !pSelf->pbGoOn || pSelf->pbGoOn->load(std::memory_order_relaxed);
        if (!bWanted || reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans)
            cinfo->err->error_exit(cinfo);  // back to DecodeRows's setjmp
    }
};

// Takes the rows of a decode as libjpeg hands them out, as stored (not turned upright), in
// place of a DIB section of the whole picture. Called inside the decoder's setjmp frame:
// nothing of it may throw.
class CJpegRowSink {
public:
    // What the decoded picture must cover, given the picture's own upright size.
    virtual PixelSize CoverFor(PixelSize sizeUpright) noexcept = 0;
    // The size the rows come at; false refuses them (no memory for what they go into).
    virtual bool Begin(PixelSize sizeDecoded) noexcept = 0;
    virtual void Row(const std::uint32_t* pRow) noexcept = 0;

protected:
    ~CJpegRowSink() = default;
};

// A file read in pieces as libjpeg asks for them, so that a large picture is never held
// whole. The file's end where its length said it would be is the picture's end (libjpeg
// then finishes a truncated picture in grey); a file that ends sooner changed under us and
// is refused.
struct CJpegFileSource : jpeg_source_mgr {
    static constexpr std::size_t kPieceBytes = 256 * 1024;

    HANDLE hFile = nullptr;
    std::uint64_t nUnread = 0;  // bytes of the file's length not read yet
    std::vector<std::uint8_t> arrBuffer;

    // Reads the first piece; false when nothing could be read.
    bool Open(HANDLE h, std::uint64_t nLength) {
        hFile = h;
        nUnread = nLength;
        arrBuffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kPieceBytes, nLength)));
        init_source = [](j_decompress_ptr) {};
        fill_input_buffer = &Fill;
        skip_input_data = &Skip;
        resync_to_restart = &jpeg_resync_to_restart;
        term_source = [](j_decompress_ptr) {};
        return ReadPiece() > 0;
    }
    std::span<const std::uint8_t> FirstPiece() const { return {next_input_byte, bytes_in_buffer}; }

private:
    std::size_t ReadPiece() {
        const auto nWant = static_cast<std::size_t>(std::min<std::uint64_t>(arrBuffer.size(), nUnread));
        const std::size_t nRead = nWant ? ReadFileFully(hFile, arrBuffer.data(), nWant) : 0;
        nUnread -= nRead;
        next_input_byte = arrBuffer.data();
        bytes_in_buffer = nRead;
        return nRead;
    }
    static boolean Fill(j_decompress_ptr cinfo) {
        auto* pSelf = static_cast<CJpegFileSource*>(cinfo->src);
        if (pSelf->ReadPiece() > 0) return TRUE;
        if (pSelf->nUnread > 0) ERREXIT(cinfo, JERR_FILE_READ);
        // At the end: an end-of-picture marker, as libjpeg's own sources give, and a warning.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        static const JOCTET kEnd[] = {0xFF, JPEG_EOI};
        pSelf->next_input_byte = kEnd;
        pSelf->bytes_in_buffer = sizeof kEnd;
        return TRUE;
    }
    static void Skip(j_decompress_ptr cinfo, long nBytes) {
        jpeg_source_mgr* pSrc = cinfo->src;
        if (nBytes <= 0) return;
        while (static_cast<std::size_t>(nBytes) > pSrc->bytes_in_buffer) {
            nBytes -= static_cast<long>(pSrc->bytes_in_buffer);
            Fill(cinfo);
        }
        pSrc->next_input_byte += nBytes;
        pSrc->bytes_in_buffer -= static_cast<std::size_t>(nBytes);
    }
};

// Everything the decoding touches lives here, in the caller's frame (see CompressRows of
// the writer): after a longjmp the setjmp frame trusts none of its own locals.
struct CJpegDecodeJob {
    jpeg_decompress_struct cinfo{};
    CJpegError error{};
    CJpegProgress progress{};
    // The bytes in memory, or a source of the job's own.
    const std::uint8_t* pData = nullptr;
    unsigned long nLength = 0;
    jpeg_source_mgr* pSource = nullptr;
    // Where the rows go instead of hBitmap, when given: the whole picture, covering what it asks.
    CJpegRowSink* pSink = nullptr;
    SIZE sizeBox{};
    // The scaled picture covers the box itself, not twice the box fitted to the picture.
    bool bCoverBox = false;
    int nOrientation = 1;
    // The part of the upright picture to keep, when not all of it.
    bool bPart = false;
    PixelRect rcPart{};
    // Out: the picture's own upright size and the scaled pixels, a 32-bit top-down DIB section
    // the caller owns whether or not decoding got to the end.
    SIZE sizeFull{};
    HBITMAP hBitmap = nullptr;
};

// The smallest n of n/8 whose scaled size (libjpeg rounds up) is at least nNeedX by nNeedY.
unsigned ChooseScale(JDIMENSION nWidth, JDIMENSION nHeight, std::uint64_t nNeedX, std::uint64_t nNeedY) {
    for (unsigned n = 1; n < 8; ++n) {
        if ((std::uint64_t{nWidth} * n + 7) / 8 >= nNeedX && (std::uint64_t{nHeight} * n + 7) / 8 >= nNeedY) return n;
    }
    return 8;
}

// The scale for a picture (sizes of the upright picture): for a box to draw in, at least
// twice the box fitted to the picture, so that the last step down still averages; for a
// box to cover, at least the box.
unsigned ChooseScale(JDIMENSION nWidth, JDIMENSION nHeight, SIZE sizeBox, bool bCoverBox) {
    if (bCoverBox)
        return ChooseScale(nWidth, nHeight, static_cast<std::uint64_t>(std::max<LONG>(sizeBox.cx, 1)),
                           static_cast<std::uint64_t>(std::max<LONG>(sizeBox.cy, 1)));
    PixelRect rc{0, 0, static_cast<int>(sizeBox.cx), static_cast<int>(sizeBox.cy)};
    FitPictureRect(rc, static_cast<int>(nWidth), static_cast<int>(nHeight));
    return ChooseScale(nWidth, nHeight, 2 * static_cast<std::uint64_t>(rc.Width()),
                       2 * static_cast<std::uint64_t>(rc.Height()));
}

// An edge at nEdge of a side nFull long, on the same side scaled to nScaled (64 bits: a
// side times another may pass int).
int ScaledEdge(int nEdge, int nScaled, int nFull) {
    return static_cast<int>(static_cast<std::int64_t>(nEdge) * nScaled / nFull);
}

// Adobe's CMYK files store the inks inverted (255 is no ink); others store them plainly.
void CmykToBgrx(std::uint8_t* p, JDIMENSION nWidth, bool bInverted) {
    for (JDIMENSION i = 0; i < nWidth; ++i, p += 4) {
        unsigned c = p[0], m = p[1], y = p[2], k = p[3];
        if (!bInverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        p[0] = static_cast<std::uint8_t>(y * k / 255);
        p[1] = static_cast<std::uint8_t>(m * k / 255);
        p[2] = static_cast<std::uint8_t>(c * k / 255);
        p[3] = 255;
    }
}

// The only frame with setjmp: plain C data and pointers, nothing with a destructor.
// Always destroys the decompressor.
bool DecodeRows(CJpegDecodeJob* pJob) {
    jpeg_decompress_struct* cinfo = &pJob->cinfo;
    pJob->error.Install(reinterpret_cast<j_common_ptr>(cinfo));
    if (setjmp(pJob->error.jump)) {
        jpeg_destroy_decompress(&pJob->cinfo);
        return false;
    }
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kJpegMemoryLimit;
    pJob->progress.progress_monitor = &CJpegProgress::Check;
    cinfo->progress = &pJob->progress;
    if (pJob->pSource)
        cinfo->src = pJob->pSource;
    else
        jpeg_mem_src(cinfo, pJob->pData, pJob->nLength);
    jpeg_read_header(cinfo, TRUE);
    const PixelSize sizeStored{static_cast<int>(cinfo->image_width), static_cast<int>(cinfo->image_height)};
    if (!IsDecodableSize(sizeStored)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    const int nOrientation = pJob->nOrientation;
    const PixelSize sizeUpright = UprightSize(sizeStored, nOrientation);
    const PixelRect rcWhole{0, 0, sizeUpright.cx, sizeUpright.cy};
    const PixelRect rcPart = pJob->bPart ? ClippedTo(pJob->rcPart, rcWhole) : rcWhole;
    if (rcPart.IsEmpty()) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    pJob->sizeFull = SIZE{sizeUpright.cx, sizeUpright.cy};
    if (pJob->pSink) {
        const PixelSize sizeCover = pJob->pSink->CoverFor(sizeUpright);
        pJob->sizeBox = SIZE{sizeCover.cx, sizeCover.cy};
        pJob->bCoverBox = true;
    }
    // The part is what gets fitted into the box, so its size picks the scale.
    cinfo->scale_num = ChooseScale(static_cast<JDIMENSION>(rcPart.Width()), static_cast<JDIMENSION>(rcPart.Height()),
                                   pJob->sizeBox, pJob->bCoverBox);
    cinfo->scale_denom = 8;
    const bool bCmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    // Straight into the DIB's blue, green, red, spare order; grey and colour alike.
    cinfo->out_color_space = bCmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(cinfo);

    const PixelSize sizeOut{static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height)};
    if (pJob->pSink) {
        if (!pJob->pSink->Begin(sizeOut)) {
            jpeg_destroy_decompress(cinfo);
            return false;
        }
        JSAMPARRAY pRow =
            cinfo->mem->alloc_sarray(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, cinfo->output_width * 4, 1);
        while (cinfo->output_scanline < cinfo->output_height) {
            if (jpeg_read_scanlines(cinfo, pRow, 1) != 1) break;
            if (bCmyk) CmykToBgrx(pRow[0], cinfo->output_width, cinfo->saw_Adobe_marker);
            pJob->pSink->Row(reinterpret_cast<const std::uint32_t*>(pRow[0]));
        }
        jpeg_finish_decompress(cinfo);
        jpeg_destroy_decompress(cinfo);
        return true;
    }
    const PixelSize sizeOutUpright = UprightSize(sizeOut, nOrientation);
    // The part in the scaled picture's pixels.
    const PixelRect rcOut{ScaledEdge(rcPart.left, sizeOutUpright.cx, sizeUpright.cx),
                          ScaledEdge(rcPart.top, sizeOutUpright.cy, sizeUpright.cy),
                          ScaledEdge(rcPart.right, sizeOutUpright.cx, sizeUpright.cx),
                          ScaledEdge(rcPart.bottom, sizeOutUpright.cy, sizeUpright.cy)};
    if (rcOut.IsEmpty()) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    const PixelSize sizeDib{rcOut.Width(), rcOut.Height()};
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = sizeDib.cx;
    bi.bmiHeader.biHeight = -sizeDib.cy;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    pJob->hBitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    if (!pJob->hBitmap) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    auto* const pDib = static_cast<std::uint8_t*>(pBits);
    const std::size_t nStride = static_cast<std::size_t>(sizeDib.cx) * 4;
    // A picture stored turned or mirrored, or cut to a part, is decoded a row at a time into
    // libjpeg's own scratch row (freed with the decompressor, even after a longjmp) and each
    // pixel of the part put where the upright part has it.
    const bool bDirect = nOrientation == 1 && rcOut == PixelRect{0, 0, sizeOut.cx, sizeOut.cy};
    JSAMPARRAY pScratch = bDirect ? nullptr
                                  : cinfo->mem->alloc_sarray(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                             cinfo->output_width * 4, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        JSAMPROW row = bDirect ? pDib + static_cast<std::size_t>(y) * nStride : pScratch[0];
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
            break;  // the data source ran dry: libjpeg has already filled in grey
        if (bCmyk) CmykToBgrx(row, cinfo->output_width, cinfo->saw_Adobe_marker);
        if (bDirect) continue;
        for (int x = 0; x < sizeOut.cx; ++x) {
            const PixelPoint pt = UprightPoint(PixelPoint{x, y}, sizeOut, nOrientation);
            if (!rcOut.Contains(pt)) continue;
            std::memcpy(pDib + static_cast<std::size_t>(pt.y - rcOut.top) * nStride +
                            static_cast<std::size_t>(pt.x - rcOut.left) * 4,
                        row + static_cast<std::size_t>(x) * 4, 4);
        }
    }
    // A truncated file ends with a warning, not an error, and shows what there was.
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return true;
}

// A JPEG decoded by the control's own libjpeg at the smallest DCT scale that still covers
// the box, into a top-down 32-bit DIB section. The system's picture object decodes every
// pixel of a camera picture (under Wine with a plain C libjpeg, about 40 megapixels a
// second, and 4 bytes a pixel twice over) only for the thumbnail maker or the copy to throw
// nearly all of them away; scaling in the DCT decodes a 4000 by 3000 picture to 500 by 375
// in a fraction of the time and memory. Unless bCoverBox, the picture is scaled to at least
// twice the fitted box where the scales allow, so the last step down still averages.
// nOrientation (1 to 8, as EXIF numbers them) says how the pixels are stored; the picture
// comes out upright, and sizeBox and *pFullSize are sizes of the upright picture. rcPart,
// when given, keeps only that part of the upright picture (in its own pixels, cut to the
// picture): what comes out is the part, scaled for the box as a picture of the part's size
// would be. Empty when the bytes are not a JPEG this libjpeg decodes, declare more than
// kMaxDecodedPixels, need more than kJpegMemoryLimit or more than kMaxJpegScans, or the
// part has no area, or when *pbGoOn (if given) turned false on the way; *pFullSize then
// stays as it was, else it gets the whole picture's own upright size.
CScopedBitmap DecodeJpegBitmap(const std::uint8_t* pData, std::size_t nLength, SIZE sizeBox, bool bCoverBox,
                               int nOrientation, SIZE* pFullSize, const std::atomic<bool>* pbGoOn,
                               std::optional<PixelRect> rcPart = std::nullopt) {
    if (!pData || nLength < 4 || nLength > 0x7FFFFFFF || pData[0] != 0xFF || pData[1] != 0xD8) return {};
    auto pJob = std::make_unique<CJpegDecodeJob>();
    pJob->progress.pbGoOn = pbGoOn;
    pJob->pData = pData;
    pJob->nLength = static_cast<unsigned long>(nLength);
    pJob->sizeBox = sizeBox;
    pJob->bCoverBox = bCoverBox;
    pJob->nOrientation = nOrientation;
    pJob->bPart = rcPart.has_value();
    if (rcPart) pJob->rcPart = *rcPart;
    const bool bDecoded = DecodeRows(pJob.get());
    CScopedBitmap bmp(pJob->hBitmap);
    if (!bDecoded) return {};
    if (pFullSize) *pFullSize = pJob->sizeFull;
    return bmp;
}

// DecodeJpegBitmap's pixels as an OLE picture, for a thumbnail.
CComPtrT<IPicture> DecodeJpegForBox(const std::uint8_t* pData, std::size_t nLength, SIZE sizeBox, int nOrientation,
                                    SIZE* pFullSize, const std::atomic<bool>* pbGoOn,
                                    std::optional<PixelRect> rcPart = std::nullopt) {
    SIZE sizeFull{};
    CScopedBitmap bmp = DecodeJpegBitmap(pData, nLength, sizeBox, false, nOrientation, &sizeFull, pbGoOn, rcPart);
    if (!bmp) return {};
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bmp.Get();
    CComPtrT<IPicture> picture;
    if (FAILED(OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, picture.ReceiveVoid()))) return {};
    (void)bmp.Take();  // the picture owns it now
    if (pFullSize) *pFullSize = sizeFull;
    return picture;
}

// An APP1 segment holds at most 64 KiB; it follows the start of the file and perhaps a
// JFIF segment, and the main picture's frame header comes soon after it.
constexpr std::size_t kHeadBytes = 96 * 1024;

// The pixels of a bitmap DecodeJpegBitmap made (a top-down 32-bit DIB section): a view that
// lives as long as the bitmap; empty when it holds none.
std::span<const std::uint32_t> DibSectionPixels(HBITMAP hBitmap, PixelSize& size) {
    DIBSECTION dib{};
    if (GetObjectA(hBitmap, sizeof dib, &dib) != sizeof dib || !dib.dsBm.bmBits || dib.dsBm.bmBitsPixel != 32)
        return {};
    size = PixelSize{dib.dsBm.bmWidth, dib.dsBm.bmHeight};
    return {static_cast<const std::uint32_t*>(dib.dsBm.bmBits),
            static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy)};
}

// The pixels of a picture DecodeJpegForBox made, as DibSectionPixels gives them.
std::span<const std::uint32_t> DibPixels(IPicture* pPicture, PixelSize& size) {
    OLE_HANDLE hBitmap = 0;
    if (FAILED(pPicture->get_Handle(&hBitmap))) return {};
    return DibSectionPixels(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(hBitmap)), size);
}

// The picture drawn from its embedded thumbnail, when that still shows the picture
// (PictureInThumbnail: a thumbnail a crop or a turn left behind does not) and is good
// enough for the box; null otherwise. The bars of a camera's thumbnail of a picture of
// another shape are cut off.
CComPtrT<IPicture> DecodeEmbeddedThumbnail(std::span<const std::uint8_t> head, SIZE sizeBox, SIZE* pPictureSize,
                                           const std::atomic<bool>* pbGoOn) {
    const auto exif = ReadExif(head);
    if (!exif || exif->thumbnail.empty()) return {};
    const auto sizeMain = ReadPictureDimensions(head);
    const auto sizeThumb = ReadPictureDimensions(exif->thumbnail);
    if (!sizeMain || !sizeThumb || sizeMain->cx <= 0 || sizeMain->cy <= 0 || sizeThumb->cx <= 0 || sizeThumb->cy <= 0)
        return {};
    const PixelSize sizeUpright = UprightSize(*sizeMain, exif->nOrientation);
    const PixelSize sizeThumbUpright = UprightSize(*sizeThumb, exif->nOrientation);
    // Whole and at its own size (a box of its size decodes unscaled), to be looked at.
    SIZE sizeDecoded{};
    CComPtrT<IPicture> whole =
        DecodeJpegForBox(exif->thumbnail.data(), exif->thumbnail.size(), SIZE{sizeThumbUpright.cx, sizeThumbUpright.cy},
                         exif->nOrientation, &sizeDecoded, pbGoOn);
    if (!whole) return {};
    PixelSize sizePixels{};
    const std::span<const std::uint32_t> arrPixels = DibPixels(whole.Get(), sizePixels);
    if (sizePixels != sizeThumbUpright) return {};
    const std::optional<PixelRect> rcPart = PictureInThumbnail(arrPixels, sizePixels, sizeUpright);
    if (!rcPart) return {};
    PixelRect rcFit{0, 0, static_cast<int>(sizeBox.cx), static_cast<int>(sizeBox.cy)};
    FitPictureRect(rcFit, sizeUpright.cx, sizeUpright.cy);
    if (rcPart->Width() < rcFit.Width() || rcPart->Height() < rcFit.Height()) return {};  // it would be enlarged
    CComPtrT<IPicture> picture = *rcPart == PixelRect{0, 0, sizePixels.cx, sizePixels.cy}
                                     ? std::move(whole)
                                     : DecodeJpegForBox(exif->thumbnail.data(), exif->thumbnail.size(), sizeBox,
                                                        exif->nOrientation, &sizeDecoded, pbGoOn, rcPart);
    if (picture) *pPictureSize = SIZE{sizeUpright.cx, sizeUpright.cy};
    return picture;
}

// The first bytes of the file, as many as the head holds; empty when it cannot be read.
// *pFileSize as for LoadPicture.
std::vector<std::uint8_t> ReadHead(const std::string& strPath, std::uint32_t* pFileSize) {
    CScopedHandle file = OpenFileForReading(strPath);
    if (!file) return {};
    const auto nSize = OpenFileLength(file.Get());
    if (!nSize || *nSize > 0x7FFFFFFF) return {};
    *pFileSize = static_cast<std::uint32_t>(*nSize);
    std::vector<std::uint8_t> head(std::min<std::size_t>(kHeadBytes, static_cast<std::size_t>(*nSize)));
    head.resize(ReadFileFully(file.Get(), head.data(), head.size()));
    return head;
}

// Averages the decoded rows down to the copy's size as they come (CAreaScaler), in the
// stored orientation; only the copy, at its own size, is turned upright at the end.
class CScaledCopySink final : public CJpegRowSink {
public:
    CScaledCopySink(const std::function<PixelSize(PixelSize)>& sizeFor, int nOrientation)
        : m_sizeFor(sizeFor), m_nOrientation(nOrientation) {}

    PixelSize CoverFor(PixelSize sizeUpright) noexcept override {
        m_sizeCopy = m_sizeFor(sizeUpright);
        return m_sizeCopy;
    }

    bool Begin(PixelSize sizeDecoded) noexcept override {
        try {
            m_dib.emplace(PixelSize{std::max(0, m_sizeCopy.cx), std::max(0, m_sizeCopy.cy)});
            m_sizeStored = UprightSize(m_sizeCopy, m_nOrientation);
            std::span<std::uint32_t> dst = m_dib->Pixels();
            if (m_nOrientation != 1) {
                m_arrStored.resize(dst.size());
                dst = m_arrStored;
            }
            // A copy without area has nothing to scale into: it is written empty.
            m_scaler.emplace(sizeDecoded, m_sizeStored, dst);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    void Row(const std::uint32_t* pRow) noexcept override { m_scaler->AddRow(pRow); }

    PixelSize GetCopySize() const { return m_sizeCopy; }

    // The copy, upright, once every row has come; none when Begin was never reached.
    std::optional<CTopDownDib> TakeUpright() {
        if (!m_dib) return std::nullopt;
        if (m_nOrientation != 1 && !m_arrStored.empty()) {
            const std::span<std::uint32_t> upright = m_dib->Pixels();
            const auto nWidth = static_cast<std::size_t>(m_sizeCopy.cx);
            const std::uint32_t* pStored = m_arrStored.data();
            for (int y = 0; y < m_sizeStored.cy; ++y)
                for (int x = 0; x < m_sizeStored.cx; ++x) {
                    const PixelPoint pt = UprightPoint(PixelPoint{x, y}, m_sizeStored, m_nOrientation);
                    upright[static_cast<std::size_t>(pt.y) * nWidth + static_cast<std::size_t>(pt.x)] = *pStored++;
                }
        }
        return std::exchange(m_dib, std::nullopt);
    }

private:
    const std::function<PixelSize(PixelSize)>& m_sizeFor;
    int m_nOrientation;
    PixelSize m_sizeCopy{}, m_sizeStored{};
    std::optional<CTopDownDib> m_dib;
    std::vector<std::uint32_t> m_arrStored;  // the copy as stored, when that is not upright
    std::optional<CAreaScaler> m_scaler;
};

}  // namespace

CComPtrT<IPicture> LoadPicture(const std::string& strPath, std::uint32_t* pFileSize) {
    std::uint32_t nLength = kNotOpened;
    CScopedGlobal hBytes = ReadPictureFile(strPath, &nLength);
    if (pFileSize && nLength != kNotOpened) *pFileSize = nLength;
    if (!hBytes || DecodableType(hBytes.Get(), nLength) == PictureType::None) return {};
    return DecodePictureFile(std::move(hBytes), nLength);
}

PictureType SniffPictureFile(const std::string& strPath) {
    CScopedHandle file = OpenFileForReading(strPath);
    std::uint8_t head[4] = {};
    if (!file) return PictureType::None;
    return SniffPictureType(std::span<const std::uint8_t>(head, ReadFileFully(file.Get(), head, sizeof head)));
}

std::optional<CJpegCopy> LoadJpegCopy(const std::string& strPath, const std::function<PixelSize(PixelSize)>& sizeFor,
                                      const std::atomic<bool>* pbGoOn) {
    CScopedHandle file = OpenFileForReading(strPath);
    if (!file) return std::nullopt;
    const auto nLength = OpenFileLength(file.Get());
    if (!nLength || *nLength == 0 || *nLength > kMaxPictureFileBytes) return std::nullopt;
    auto pSource = std::make_unique<CJpegFileSource>();
    if (!pSource->Open(file.Get(), *nLength) || SniffPictureType(pSource->FirstPiece()) != PictureType::Jpeg)
        return std::nullopt;
    // The EXIF block follows the start of the file: it is in the first piece, which the
    // decoder reads over later.
    const auto exif = ReadExif(pSource->FirstPiece());
    const int nOrientation = exif ? exif->nOrientation : 1;
    std::vector<std::uint8_t> exifTiff;
    if (exif) exifTiff.assign(exif->tiff.begin(), exif->tiff.end());

    CScaledCopySink sink(sizeFor, nOrientation);
    auto pJob = std::make_unique<CJpegDecodeJob>();
    pJob->progress.pbGoOn = pbGoOn;
    pJob->pSource = pSource.get();
    pJob->pSink = &sink;
    pJob->nOrientation = nOrientation;
    if (!DecodeRows(pJob.get())) return std::nullopt;
    std::optional<CTopDownDib> dib = sink.TakeUpright();
    if (!dib) return std::nullopt;
    return CJpegCopy{std::move(*dib), sink.GetCopySize(), PixelSize{pJob->sizeFull.cx, pJob->sizeFull.cy},
                     static_cast<std::uint32_t>(*nLength), std::move(exifTiff)};
}

CComPtrT<IPicture> LoadPictureForBox(const std::string& strPath, SIZE sizeBox, HDC hdc, std::uint32_t* pFileSize,
                                     SIZE* pPictureSize, const std::atomic<bool>* pbGoOn) {
    SIZE sizePicture{};
    {
        std::uint32_t nLength = kNotOpened;
        const std::vector<std::uint8_t> head = ReadHead(strPath, &nLength);
        if (nLength == kNotOpened) return {};  // not opened: the size output stays as it was
        if (pFileSize) *pFileSize = nLength;
        if (nLength > kMaxPictureFileBytes) return {};
        if (CComPtrT<IPicture> picture = DecodeEmbeddedThumbnail(head, sizeBox, &sizePicture, pbGoOn)) {
            if (pPictureSize) *pPictureSize = sizePicture;
            return picture;
        }
    }
    std::uint32_t nLength = kNotOpened;
    CScopedGlobal hBytes = ReadPictureFile(strPath, &nLength);
    if (pFileSize && nLength != kNotOpened) *pFileSize = nLength;
    if (!hBytes) return {};
    CComPtrT<IPicture> picture;
    switch (DecodableType(hBytes.Get(), nLength)) {
    case PictureType::Jpeg:
        // libjpeg's word is final: the system's decoder would take the whole picture at once.
        if (const CGlobalLock lock(hBytes.Get()); lock.Get()) {
            const auto exif = ReadExif(std::span<const std::uint8_t>(lock.Get(), nLength));
            picture =
                DecodeJpegForBox(lock.Get(), nLength, sizeBox, exif ? exif->nOrientation : 1, &sizePicture, pbGoOn);
        }
        break;
    case PictureType::Gif:
        picture = DecodePictureFile(std::move(hBytes), nLength);
        sizePicture = PictureSizeInPixels(picture.Get(), hdc);
        break;
    default: break;
    }
    if (picture && pPictureSize) *pPictureSize = sizePicture;
    return picture;
}

SIZE PictureSizeInPixels(IPicture* pPicture, HDC hdc) {
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    if (!pPicture || !hdc || FAILED(pPicture->get_Width(&hmWidth)) || FAILED(pPicture->get_Height(&hmHeight)))
        return SIZE{0, 0};
    return SIZE{MulDiv(hmWidth, GetDeviceCaps(hdc, LOGPIXELSX), 2540),
                MulDiv(hmHeight, GetDeviceCaps(hdc, LOGPIXELSY), 2540)};
}

void RenderWholePicture(HDC hdc, IPicture* pPicture, int nWidth, int nHeight) {
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    if (FAILED(pPicture->get_Width(&hmWidth)) || FAILED(pPicture->get_Height(&hmHeight))) return;
    // The default stretch mode ANDs the pixels it drops together, which turns a colour
    // picture shrunk many times into dark speckles; halftone averages them.
    SetStretchBltMode(hdc, HALFTONE);
    SetBrushOrgEx(hdc, 0, 0, nullptr);
    // HIMETRIC runs upwards: starting at the bottom edge with a negative height gives the
    // picture the right way up.
    pPicture->Render(hdc, 0, 0, nWidth, nHeight, 0, hmHeight, hmWidth, -hmHeight, nullptr);
}
