#include "framework/gdi.h"

#include <gtest/gtest.h>

namespace {

// Wine refuses a bitmap that another DC still holds: selecting it proves it was let go.
bool SelectableElsewhere(HBITMAP hBitmap) { return static_cast<bool>(CMemoryDC(nullptr, hBitmap)); }

HBITMAP BitmapOf(HDC hdc) { return static_cast<HBITMAP>(GetCurrentObject(hdc, OBJ_BITMAP)); }

TEST(Gdi, MemoryDcGivesBackTheBitmapItShowed) {
    CScopedBitmap bmp(CreateCompatibleBitmap(CWindowDC(nullptr).Get(), 8, 8));
    ASSERT_TRUE(bmp);
    {
        CMemoryDC dc(nullptr, bmp.Get());
        ASSERT_TRUE(dc);
        EXPECT_EQ(BitmapOf(dc.Get()), bmp.Get());
        EXPECT_FALSE(SelectableElsewhere(bmp.Get())) << "held by the first DC";
    }
    EXPECT_TRUE(SelectableElsewhere(bmp.Get()));
}

TEST(Gdi, BackBufferDeletesItsBitmapAfterLettingGoOfIt) {
    HBITMAP hBitmap = nullptr;
    HDC hdc = nullptr;
    {
        CBackBuffer back(nullptr, 16, 8);
        ASSERT_TRUE(back);
        hdc = back.Get();
        hBitmap = BitmapOf(hdc);
        BITMAP bm{};
        ASSERT_EQ(GetObjectA(hBitmap, sizeof bm, &bm), static_cast<int>(sizeof bm));
        EXPECT_EQ(bm.bmWidth, 16);
        EXPECT_EQ(bm.bmHeight, 8);
    }
    EXPECT_EQ(GetObjectType(hBitmap), 0u);
    EXPECT_EQ(GetObjectType(hdc), 0u);
}

TEST(Gdi, BackBufferHandsOverWhatWasDrawn) {
    CBackBuffer back(nullptr, 4, 4);
    ASSERT_TRUE(back);
    FillSolidRect(back.Get(), RECT{0, 0, 4, 4}, RGB(10, 200, 30));
    CScopedBitmap bmp = back.TakeBitmap();
    EXPECT_FALSE(back);
    ASSERT_TRUE(SelectableElsewhere(bmp.Get()));
    CMemoryDC dc(nullptr, bmp.Get());
    EXPECT_EQ(GetPixel(dc.Get(), 2, 2), RGB(10, 200, 30));
}

TEST(Gdi, FillSolidRectKeepsTheTextBackground) {
    CBackBuffer back(nullptr, 4, 4);
    ASSERT_TRUE(back);
    SetBkColor(back.Get(), RGB(1, 2, 3));
    FillSolidRect(back.Get(), RECT{1, 1, 3, 3}, RGB(250, 0, 0));
    EXPECT_EQ(GetBkColor(back.Get()), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(back.Get(), 1, 1), RGB(250, 0, 0));
    EXPECT_NE(GetPixel(back.Get(), 0, 0), RGB(250, 0, 0));
}

}  // namespace
