#include "imaging/jpeg_thumbnail_decoder.h"

#include "framework/scoped_handle.h"
#include "imaging/exif_reader.h"
#include "imaging/fit_picture.h"
#include "imaging/jpeg_error.h"
#include "imaging/picture_dimensions.h"

#include <olectl.h>

#include <cstring>
#include <memory>

namespace {

// Everything the decoding touches lives here, in the caller's frame (see CompressRows of
// the writer): after a longjmp the setjmp frame trusts none of its own locals.
struct CJpegDecodeJob {
    jpeg_decompress_struct cinfo{};
    CJpegError error{};
    const std::uint8_t* pData = nullptr;
    unsigned long nLength = 0;
    SIZE sizeBox{};
    int nOrientation = 1;
    // The part of the upright picture to keep, when not all of it.
    bool bPart = false;
    PixelRect rcPart{};
    // Out: the picture's own upright size and the scaled pixels, a 32-bit top-down DIB section
    // the caller owns whether or not decoding got to the end.
    SIZE sizeFull{};
    HBITMAP hBitmap = nullptr;
};

// The smallest n of n/8 whose scaled size is at least twice the fitted box on both sides
// (sizes of the upright picture).
unsigned ChooseScale(JDIMENSION nWidth, JDIMENSION nHeight, SIZE sizeBox) {
    PixelRect rc{0, 0, static_cast<int>(sizeBox.cx), static_cast<int>(sizeBox.cy)};
    FitPictureRect(rc, static_cast<int>(nWidth), static_cast<int>(nHeight));
    const std::uint64_t nNeedX = 2 * static_cast<std::uint64_t>(rc.Width());
    const std::uint64_t nNeedY = 2 * static_cast<std::uint64_t>(rc.Height());
    for (unsigned n = 1; n < 8; ++n) {
        // libjpeg rounds scaled sizes up.
        if ((std::uint64_t{nWidth} * n + 7) / 8 >= nNeedX && (std::uint64_t{nHeight} * n + 7) / 8 >= nNeedY) return n;
    }
    return 8;
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
    // The part is what gets fitted into the box, so its size picks the scale.
    cinfo->scale_num =
        ChooseScale(static_cast<JDIMENSION>(rcPart.Width()), static_cast<JDIMENSION>(rcPart.Height()), pJob->sizeBox);
    cinfo->scale_denom = 8;
    const bool bCmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    // Straight into the DIB's blue, green, red, spare order; grey and colour alike.
    cinfo->out_color_space = bCmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(cinfo);

    const PixelSize sizeOut{static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height)};
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

}  // namespace

CComPtrT<IPicture> DecodeJpegForBox(const std::uint8_t* pData, std::size_t nLength, SIZE sizeBox, int nOrientation,
                                    SIZE* pFullSize, std::optional<PixelRect> rcPart) {
    if (!pData || nLength < 4 || nLength > 0x7FFFFFFF || pData[0] != 0xFF || pData[1] != 0xD8) return {};
    auto pJob = std::make_unique<CJpegDecodeJob>();
    pJob->pData = pData;
    pJob->nLength = static_cast<unsigned long>(nLength);
    pJob->sizeBox = sizeBox;
    pJob->nOrientation = nOrientation;
    pJob->bPart = rcPart.has_value();
    if (rcPart) pJob->rcPart = *rcPart;
    const bool bDecoded = DecodeRows(pJob.get());
    CScopedBitmap bmp(pJob->hBitmap);
    if (!bDecoded) return {};
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bmp.Get();
    CComPtrT<IPicture> picture;
    if (FAILED(OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, picture.ReceiveVoid()))) return {};
    (void)bmp.Take();  // the picture owns it now
    if (pFullSize) *pFullSize = pJob->sizeFull;
    return picture;
}
