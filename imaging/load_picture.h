// LoadPicture: a picture file decoded by the system's OLE picture object, and the two
// steps it is made of for callers that decode some pictures themselves.
#pragma once
#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <string>

#include "framework/com_ptr.h"
#include "framework/scoped_handle.h"

// Reads the whole file and decodes it with OleLoadPicture; null when the file cannot be
// read or decoded, or declares more pixels than may be decoded here (kMaxDecodedPixels).
// *pFileSize (optional) receives the file's length as soon as the file is open, even when
// decoding then fails, and is left alone when it cannot be opened. The file is only read.
CComPtrT<IPicture> LoadPicture(const std::string& strPath, std::uint32_t* pFileSize);

// The whole file in a movable global block (GlobalSize may round its size up, so the
// length comes separately); empty when the file cannot be opened or read or has no bytes.
// *pFileSize as for LoadPicture.
CScopedGlobal ReadPictureFile(const std::string& strPath, std::uint32_t* pFileSize);

// True when the first nLength bytes of the block declare a size that may be decoded, or
// none that is known.
bool HasDecodableSize(HGLOBAL hBytes, std::uint32_t nLength);

// OleLoadPicture over a stream on the first nLength bytes of the block, which the stream
// frees; null on failure.
CComPtrT<IPicture> DecodePictureFile(CScopedGlobal hBytes, std::uint32_t nLength);
