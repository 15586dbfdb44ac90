#include <gtest/gtest.h>
#include <windows.h>

// Every text of the control is GBK: the tests must run where the ANSI code page is 936.
TEST(Environment, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }
