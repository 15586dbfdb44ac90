// A fixture whose whole suite shares one visible test window: mapping a window on the X
// display costs seconds, too much to pay for every test.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "test_support.h"

template <int nWidth, int nHeight>
class CSuiteWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_pWindow = std::make_unique<CTestWindow>(nWidth, nHeight, "tessaline test", true); }
    static void TearDownTestSuite() { s_pWindow.reset(); }
    static HWND Window() { return s_pWindow->Get(); }

private:
    static inline std::unique_ptr<CTestWindow> s_pWindow;
};
