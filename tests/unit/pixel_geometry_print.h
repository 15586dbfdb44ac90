// Readable GoogleTest output for the layout code's pixel types.
#pragma once
#include <ostream>

#include "base/geometry.h"

inline void PrintTo(const PixelRect& rc, std::ostream* os) {
    *os << "(" << rc.left << ", " << rc.top << ")-(" << rc.right << ", " << rc.bottom << ")";
}
inline void PrintTo(const PixelSize& sz, std::ostream* os) { *os << sz.cx << "x" << sz.cy; }
inline void PrintTo(const PixelPoint& pt, std::ostream* os) { *os << "(" << pt.x << ", " << pt.y << ")"; }
