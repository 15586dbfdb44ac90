#include "imaging/picture_size.h"

#include "framework/gdi.h"
#include "imaging/fit_picture.h"

SIZE PictureSizeInPixels(IPicture* pPicture, HDC hdc) {
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    if (!pPicture || !hdc || FAILED(pPicture->get_Width(&hmWidth)) || FAILED(pPicture->get_Height(&hmHeight)))
        return SIZE{0, 0};
    return SIZE{MulDiv(hmWidth, GetDeviceCaps(hdc, LOGPIXELSX), 2540),
                MulDiv(hmHeight, GetDeviceCaps(hdc, LOGPIXELSY), 2540)};
}

void FitPictureRect(HWND hWnd, RECT& rcBox, IPicture* pPicture) {
    if (!pPicture) return;
    const CWindowDC dc(hWnd);
    if (!dc.Get()) return;
    const SIZE size = PictureSizeInPixels(pPicture, dc.Get());
    PixelRect rc{rcBox.left, rcBox.top, rcBox.right, rcBox.bottom};
    FitPictureRect(rc, static_cast<int>(size.cx), static_cast<int>(size.cy));
    rcBox = RECT{rc.left, rc.top, rc.right, rc.bottom};
}
