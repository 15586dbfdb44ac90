// The space text of label 201: string 208 ("已使用/总空间：%.2fM/%.2fM  当前选择：%.2fM  ")
// filled with the used, total and selected space in megabytes.
#pragma once
#include <string>
#include <string_view>

// strFormat is the string-table text in the ANSI code page; the kilobyte figures are shown
// divided by 1024, in the order used, total, selected. The format is read here, not handed
// to printf: only floating-point conversions (flags, width and precision up to 64) and %%
// are honoured, one figure each; anything else, and conversions past the third, stay as
// text. So a damaged resource string cannot read past the three figures, and any double
// (huge, negative, infinite, not a number) gives a bounded, well-defined text.
std::string FormatSpaceText(std::string_view strFormat, double dUsedKB, double dTotalKB, double dSelectedKB);
