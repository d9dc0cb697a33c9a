#pragma once
// A block of global memory with a COM stream over it, so that GDI+ can decode a picture held
// in a byte buffer.

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <vector>

class MemoryStream {
public:
    MemoryStream() = default;
    ~MemoryStream();
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    // Frees the block this object owns, if any; the stream is left as it is.
    void FreeBlock();

    // A stream over a fixed block holding a copy of the bytes, owned by this object, which
    // must then outlive every reader of the stream. Returns the stream, or null when none
    // could be made. The stream's reference passes to the caller.
    IStream* CreateStream(const std::uint8_t* data, std::uint32_t size);

    // Only the tests make this one: an empty stream that grows as it is written. The stream
    // owns that block and frees it when released, so this object holds no block afterwards.
    IStream* CreateStream();
    // Only the tests ask for the stream again.
    IStream* GetStream() const { return stream; }
    // Only the tests call this: the size of the block held, in bytes; 0 without one.
    std::size_t GetBlockSize() const;
    // Only the tests call this: a copy of the whole block; empty without one.
    std::vector<std::uint8_t> ReadBlock() const;

private:
    HGLOBAL block = nullptr; // made over data passed in, freed by FreeBlock
    IStream* stream = nullptr;
};
