#include "imaging/thumbnail.h"

#include "framework/gdi.h"
#include "framework/text.h"
#include "imaging/load_picture.h"
#include "imaging/jpeg_writer.h"
#include "base/temp_file.h"

namespace {

constexpr int kThumbnailQuality = 90;

}  // namespace

CComPtrT<IPicture> MakeThumbnail(HDC hdc, IPicture* pPicture, int nWidth, int nHeight) {
    if (!hdc || !pPicture || nWidth <= 0 || nHeight <= 0) return {};
    CTempFile file = CTempFile::Create();
    if (!file) return {};
    {
        // Only (0, 0)-(width, height) is drawn and captured, so the canvas is that size and
        // not the screen's: a few kilobytes instead of megabytes for every thumbnail.
        const CBackBuffer surface(hdc, nWidth, nHeight);
        if (!surface) return {};
        const RECT rc{0, 0, nWidth, nHeight};
        FillRect(surface.Get(), &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        RenderWholePicture(surface.Get(), pPicture, nWidth, nHeight);
        // Whether it worked shows in the file: an empty or broken one does not load.
        SaveRectAsJpeg(surface.Get(), 0, 0, nWidth, nHeight, kThumbnailQuality, AnsiToWide(file.GetPath()).c_str());
    }
    return LoadPicture(file.GetPath(), nullptr);
}
