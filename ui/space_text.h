// The space text of label 201: string 208 ("已使用/总空间：%.2fM/%.2fM  当前选择：%.2fM  ")
// filled with the used, total and selected space in megabytes.
#pragma once
#include <string>
#include <string_view>

// strFormat is the string-table text in the ANSI code page; its first three "%.2f" take the
// kilobyte figures divided by 1024, in the order used, total, selected, and the rest stays
// as it is. Any double gives a bounded text, the same in both builds.
std::string FormatSpaceText(std::string_view strFormat, double dUsedKB, double dTotalKB, double dSelectedKB);
