// MemoryStream over real global memory and real COM streams: the copy it makes, the empty and
// the growable stream, and who frees which block.

#include <windows.h>
#include <gdiplus.h>

#include "pictures/memory_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

std::uint64_t StreamSize(IStream* stream) {
    STATSTG status{};
    EXPECT_EQ(stream->Stat(&status, STATFLAG_NONAME), S_OK);
    return status.cbSize.QuadPart;
}

// Everything the stream holds, read through the stream itself from its start.
std::vector<std::uint8_t> ReadWholeStream(IStream* stream) {
    const LARGE_INTEGER start{};
    EXPECT_EQ(stream->Seek(start, STREAM_SEEK_SET, nullptr), S_OK);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(StreamSize(stream)));
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    EXPECT_EQ(read, bytes.size());
    return bytes;
}

std::vector<std::uint8_t> CountingBytes(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return bytes;
}

} // namespace

TEST(MemoryStreamTest, ANewObjectHoldsNothing) {
    const MemoryStream memory;
    EXPECT_EQ(memory.GetStream(), nullptr);
    EXPECT_EQ(memory.GetBlockSize(), 0u);
    EXPECT_TRUE(memory.ReadBlock().empty());
}

TEST(MemoryStreamTest, TheStreamReadsACopyOfTheCallersBytes) {
    std::vector<std::uint8_t> caller = CountingBytes(1000);
    const std::vector<std::uint8_t> original = caller;
    MemoryStream memory;
    IStream* stream = memory.CreateStream(caller.data(), static_cast<std::uint32_t>(caller.size()));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(memory.GetStream(), stream);

    std::fill(caller.begin(), caller.end(), 0xEE);
    caller.clear();
    caller.shrink_to_fit();

    // Read from where a new stream stands: its first byte.
    std::uint8_t first[4]{};
    ULONG read = 0;
    ASSERT_EQ(stream->Read(first, sizeof(first), &read), S_OK);
    EXPECT_EQ(std::vector<std::uint8_t>(first, first + read),
              std::vector<std::uint8_t>(original.begin(), original.begin() + 4));
    EXPECT_EQ(StreamSize(stream), 1000u);
    EXPECT_EQ(ReadWholeStream(stream), original);
    EXPECT_EQ(memory.GetBlockSize(), 1000u);
    EXPECT_EQ(memory.ReadBlock(), original);
    stream->Release();
}

TEST(MemoryStreamTest, ZeroBytesGiveAStreamOfAtMostOneByteThatGdiplusCannotDecode) {
    Gdiplus::GdiplusStartupInput input{};
    ULONG_PTR token = 0;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);

    const std::uint8_t unused = 0x89;
    MemoryStream memory;
    IStream* stream = memory.CreateStream(&unused, 0);
    ASSERT_NE(stream, nullptr);
    // Windows rounds a fixed block of 0 bytes up to 1 and reports that byte in GlobalSize,
    // so the stream is as long as the block: never longer than that one byte.
    EXPECT_LE(memory.GetBlockSize(), 1u);
    EXPECT_EQ(StreamSize(stream), memory.GetBlockSize());
    EXPECT_EQ(memory.ReadBlock().size(), memory.GetBlockSize());

    Gdiplus::GpImage* image = nullptr;
    EXPECT_NE(Gdiplus::DllExports::GdipLoadImageFromStream(stream, &image), Gdiplus::Ok);
    EXPECT_EQ(image, nullptr);
    stream->Release();
    Gdiplus::GdiplusShutdown(token);
}

TEST(MemoryStreamTest, FreeingTwiceFreesOnceAndKeepsTheStreamPointer) {
    const std::vector<std::uint8_t> bytes = CountingBytes(64);
    MemoryStream memory;
    IStream* stream = memory.CreateStream(bytes.data(), 64);
    ASSERT_NE(stream, nullptr);
    // The stream only borrows the block, so it goes first, while the block is still there.
    stream->Release();

    memory.FreeBlock();
    EXPECT_EQ(memory.GetBlockSize(), 0u);
    EXPECT_TRUE(memory.ReadBlock().empty());
    // A block of the same size made now takes the freed one's place in the heap: a second
    // free of the old handle would free this one.
    const HGLOBAL newcomer = GlobalAlloc(GMEM_FIXED, 64);
    ASSERT_NE(newcomer, nullptr);
    memory.FreeBlock();
    EXPECT_EQ(GlobalSize(newcomer), 64u);
    EXPECT_EQ(memory.GetBlockSize(), 0u);
    EXPECT_EQ(memory.GetStream(), stream);
    GlobalFree(newcomer);
}

TEST(MemoryStreamTest, TheStreamWithoutDataGrowsAndOwnsItsBlock) {
    const std::vector<std::uint8_t> written = CountingBytes(5000);
    {
        MemoryStream memory;
        IStream* stream = memory.CreateStream();
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(StreamSize(stream), 0u);
        EXPECT_EQ(memory.GetBlockSize(), 0u);

        ULONG count = 0;
        ASSERT_EQ(stream->Write(written.data(), static_cast<ULONG>(written.size()), &count), S_OK);
        EXPECT_EQ(count, written.size());
        EXPECT_EQ(StreamSize(stream), written.size());
        EXPECT_EQ(ReadWholeStream(stream), written);

        HGLOBAL streamBlock = nullptr;
        ASSERT_EQ(GetHGlobalFromStream(stream, &streamBlock), S_OK);
        EXPECT_GE(GlobalSize(streamBlock), written.size());
        // The object holds no block, so it has none to read back or to free.
        EXPECT_EQ(memory.GetBlockSize(), 0u);
        EXPECT_TRUE(memory.ReadBlock().empty());

        memory.FreeBlock();
        EXPECT_EQ(ReadWholeStream(stream), written);
        EXPECT_EQ(stream->Release(), 0u);
    }
    // Both owners' ends have run; a block freed by both would have broken the heap by now.
    void* probe = HeapAlloc(GetProcessHeap(), 0, 4096);
    ASSERT_NE(probe, nullptr);
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
    HeapFree(GetProcessHeap(), 0, probe);
}
