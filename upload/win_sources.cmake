# Upload batch management.
tessaline_sources(WIN upload_batch.cpp upload_batch.h)
