// Picture fitting: a box narrowed to a picture's aspect ratio (FitPictureRect), a picture's
// centre cut to another one's aspect (CentreCropToAspect) and a size scaled down to the
// album's limits (FitWithinLimits).
#pragma once
#include "base/geometry.h"

// Shrinks rcBox along one axis to the aspect ratio of a picture of nWidth by nHeight
// pixels, centred and shifted one pixel down or right: a 4:3 picture in a 100 by 100 box
// gets a box 100 by 75 starting 13 pixels lower. A square picture, one whose fitted extent
// is not smaller than the box, and a picture or box without area leave the box as it is.
// The result always lies inside the original box, also at negative coordinates.
void FitPictureRect(PixelRect& rcBox, int nWidth, int nHeight);

// The largest centred part of a sizePicture picture that has the aspect ratio of
// sizeAspect: the picture cut on the side it is too long on, by half the excess at each end
// (the part's extent rounded to the nearest pixel). A 160 by 120 picture with a 16:9 one
// letterboxed in it gives {0, 15, 160, 105}, the bars cut off. A size without area, on
// either side, gives the whole picture.
PixelRect CentreCropToAspect(PixelSize sizePicture, PixelSize sizeAspect);

// The album's limits below: a limit of 0 or below leaves its side unlimited (a page that
// sets none must not get every picture squeezed to one pixel).
//
// Scales nWidth by nHeight down, keeping the ratio, so that it fits nMaxWidth by nMaxHeight:
// first to the width limit, then to the height limit, each cut toward zero (3000 by 1000
// in 800 by 600 gives 800 by 266). A size with no area is left alone, and neither side of
// a scaled size drops below 1 pixel: a JPEG needs one.
void FitWithinLimits(int nMaxWidth, int nMaxHeight, int& nWidth, int& nHeight);

// True when a picture of nWidth by nHeight is strictly below both limits, so that its own
// file goes up unchanged.
bool IsBelowLimits(int nMaxWidth, int nMaxHeight, int nWidth, int nHeight);

// A limit as the largest size it allows: INT_MAX for an unlimited side.
int LimitOrUnlimited(int nLimit);
