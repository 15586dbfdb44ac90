# What every layer shares: pixel geometry, its scaling to the dpi and multibyte text walking
# (portable); the temporary folder and the owner of a temporary file (Win32).
tessaline_sources(PORTABLE dpi_scale.h geometry.h mbcs_text.cpp mbcs_text.h)
tessaline_sources(WIN temp_file.cpp temp_file.h)
