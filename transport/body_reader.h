// Where the file part of an upload body comes from: a small reader over an open file.
#pragma once
#include <cstdint>

class CBodyReader {
public:
    virtual ~CBodyReader() = default;
    // Reads up to nCapacity bytes; nRead = 0 with success means the end of the file.
    // Returns false on a read error.
    virtual bool Read(char* pBuffer, uint32_t nCapacity, uint32_t& nRead) = 0;
};
