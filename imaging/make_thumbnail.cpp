#include "imaging/make_thumbnail.h"

#include "framework/gdi.h"
#include "framework/text.h"
#include "imaging/load_picture.h"
#include "imaging/save_rect_as_jpeg.h"
#include "base/temp_file.h"

namespace {

constexpr int kThumbnailQuality = 90;

}  // namespace

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
