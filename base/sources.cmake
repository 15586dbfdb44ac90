# What every layer shares: pixel geometry and multibyte text walking (portable); the
# temporary folder and the owner of a temporary file (Win32).
tessaline_sources(PORTABLE geometry.h mbcs_text.cpp mbcs_text.h)
tessaline_sources(WIN temp_file.cpp temp_file.h)
