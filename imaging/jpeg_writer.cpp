#include "imaging/jpeg_writer.h"

#include "framework/text.h"
#include "imaging/dib_row_converter.h"
#include "imaging/jpeg_error.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>

namespace {

constexpr char kInvalidInput[] = "Invalid input data";

// A segment's length field counts its own two bytes.
constexpr std::size_t kMaxApp1Payload = 65533;

// Rows handed to the compressor per call: one group of its 4:2:0 subsampling, small enough
// to stay in the cache between our conversion and its colour transform.
constexpr int kRowsPerCall = 16;

// Everything the compression touches lives here, in the caller's frame: after a longjmp
// the setjmp frame may only trust what it did not keep in its own locals.
struct CJpegJob {
    jpeg_compress_struct cinfo{};
    CJpegError error{};
    const CDibRowConverter* pDib = nullptr;
    FILE* pFile = nullptr;
    int nQuality = 0;
    const std::uint8_t* pExif = nullptr;
    unsigned nExifLength = 0;
};

// The only frame with setjmp: plain C data and pointers, nothing with a destructor, so the
// jump out of libjpeg skips nothing. Always destroys the compressor.
bool CompressRows(CJpegJob* pJob) {
    jpeg_compress_struct* cinfo = &pJob->cinfo;
    pJob->error.Install(reinterpret_cast<j_common_ptr>(cinfo));
    if (setjmp(pJob->error.jump)) {
        jpeg_destroy_compress(&pJob->cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    jpeg_stdio_dest(cinfo, pJob->pFile);

    const CDibRowConverter& dib = *pJob->pDib;
    cinfo->image_width = static_cast<JDIMENSION>(dib.GetWidth());
    cinfo->image_height = static_cast<JDIMENSION>(dib.GetHeight());
    // 24- and 32-bit rows go in as they are stored (libjpeg-turbo reads blue, green, red
    // itself, in its SIMD colour transform); the palette and 5-5-5 depths are converted.
    const int nBitCount = dib.GetBitCount();
    const bool bDirect = nBitCount == 24 || nBitCount == 32;
    cinfo->input_components = nBitCount == 32 ? 4 : 3;
    cinfo->in_color_space = nBitCount == 24 ? JCS_EXT_BGR : nBitCount == 32 ? JCS_EXT_BGRX : JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, pJob->nQuality, TRUE);
    // An EXIF file starts with its APP1 segment; readers look for it there.
    if (pJob->nExifLength) cinfo->write_JFIF_header = FALSE;
    jpeg_start_compress(cinfo, TRUE);
    if (pJob->nExifLength) jpeg_write_marker(cinfo, JPEG_APP0 + 1, pJob->pExif, pJob->nExifLength);

    JSAMPROW arrRows[kRowsPerCall];
    JSAMPARRAY pConverted = nullptr;
    if (!bDirect) {
        pConverted = cinfo->mem->alloc_sarray(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                              cinfo->image_width * 3, kRowsPerCall);
    }
    while (cinfo->next_scanline < cinfo->image_height) {
        const int nFirst = static_cast<int>(cinfo->next_scanline);
        const int nCount = std::min<int>(kRowsPerCall, dib.GetHeight() - nFirst);
        for (int k = 0; k < nCount; ++k) {
            if (bDirect) {
                // libjpeg only reads the rows; its interface just lacks the const.
                arrRows[k] = const_cast<JSAMPROW>(dib.GetStoredRow(nFirst + k));
            } else {
                dib.ConvertRow(nFirst + k, pConverted[k]);
                arrRows[k] = pConverted[k];
            }
        }
        jpeg_write_scanlines(cinfo, arrRows, static_cast<JDIMENSION>(nCount));
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

struct FileCloser {
    void operator()(FILE* pFile) const { std::fclose(pFile); }
};

}  // namespace

bool WriteDibAsJpeg(std::span<const std::uint8_t> dib, int nQuality, const wchar_t* pszPath, std::string& strError,
                    std::span<const std::uint8_t> exifApp1) {
    if (nQuality < 0 || nQuality > 100 || dib.empty() || pszPath == nullptr || *pszPath == L'\0' ||
        exifApp1.size() > kMaxApp1Payload) {
        strError = kInvalidInput;
        return false;
    }
    strError.clear();
    std::unique_ptr<FILE, FileCloser> file(_wfopen(pszPath, L"wb"));
    if (!file) {
        strError = "Cannot open " + WideToAnsi(pszPath, wcslen(pszPath));
        return false;
    }
    // libjpeg hands over 4 KB at a time; a larger stdio buffer saves system calls, which
    // are dear under Wine.
    std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 16);

    const CDibRowConverter converter(dib);
    if (!converter.IsValid()) {
        strError = converter.GetError();
        return false;
    }
    auto pJob = std::make_unique<CJpegJob>();
    pJob->pDib = &converter;
    pJob->pFile = file.get();
    pJob->nQuality = nQuality;
    pJob->pExif = exifApp1.data();
    pJob->nExifLength = static_cast<unsigned>(exifApp1.size());
    if (!CompressRows(pJob.get())) {
        strError = pJob->error.szMessage[0] ? pJob->error.szMessage : "JPEG compression failed";
        return false;
    }
    if (std::fclose(file.release()) != 0) strError = "Cannot write " + WideToAnsi(pszPath, wcslen(pszPath));
    return strError.empty();
}
