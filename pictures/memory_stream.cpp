// MemoryStream over Windows global memory.

#include "pictures/memory_stream.h"

#include <cstring>

MemoryStream::~MemoryStream() {
    FreeBlock();
}

void MemoryStream::FreeBlock() {
    if (block != nullptr) {
        GlobalFree(block);
        block = nullptr;
    }
}

IStream* MemoryStream::CreateStream() {
    FreeBlock();
    stream = nullptr;
    // Handed to the stream at once: a block with two owners would be freed twice.
    const HGLOBAL growable = GlobalAlloc(GMEM_MOVEABLE, 0);
    if (growable != nullptr && CreateStreamOnHGlobal(growable, TRUE, &stream) != S_OK) {
        GlobalFree(growable);
    }
    return stream;
}

IStream* MemoryStream::CreateStream(const std::uint8_t* data, std::uint32_t size) {
    FreeBlock();
    stream = nullptr;
    block = GlobalAlloc(GMEM_FIXED, size);
    void* bytes = block != nullptr ? GlobalLock(block) : nullptr;
    if (bytes == nullptr) {
        return nullptr; // no copy without a valid block
    }
    if (size != 0) {
        std::memcpy(bytes, data, size);
    }
    GlobalUnlock(block);
    CreateStreamOnHGlobal(block, FALSE, &stream);
    return stream;
}

std::size_t MemoryStream::GetBlockSize() const {
    return block != nullptr ? GlobalSize(block) : 0;
}

std::vector<std::uint8_t> MemoryStream::ReadBlock() const {
    const std::size_t size = GetBlockSize();
    if (size == 0) {
        return {};
    }
    const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(block));
    if (bytes == nullptr) {
        return {};
    }
    std::vector<std::uint8_t> copy(bytes, bytes + size);
    GlobalUnlock(block);
    return copy;
}
