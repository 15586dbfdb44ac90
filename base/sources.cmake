# What every layer shares: multibyte text walking.
tessaline_sources(PORTABLE mbcs_text.cpp mbcs_text.h)
