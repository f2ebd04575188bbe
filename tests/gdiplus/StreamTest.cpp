#include "GdiplusFixtures.h"

#include <string>
#include <win32/Kernel.h>

namespace {

using gdiplus_test::BlockOf;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

LARGE_INTEGER Move(LONGLONG by) {
    LARGE_INTEGER li{};
    li.QuadPart = by;
    return li;
}

TEST(GlobalMemory, BlocksLiveUntilFreedAndOnlyOnce) {
    const std::size_t before = win32::GlobalBlockCount();
    HGLOBAL fixed = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 16);
    HGLOBAL moveable = GlobalAlloc(GMEM_MOVEABLE, 8);
    ASSERT_NE(fixed, nullptr);
    ASSERT_NE(moveable, nullptr);
    EXPECT_EQ(win32::GlobalBlockCount(), before + 2);
    EXPECT_EQ(GlobalLock(fixed), fixed); // a fixed block's handle is its address
    EXPECT_EQ(static_cast<BYTE*>(GlobalLock(fixed))[15], 0);
    EXPECT_EQ(GlobalSize(fixed), 16u);

    // A moveable block counts its locks and moves only while unlocked.
    void* first = GlobalLock(moveable);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, moveable);
    EXPECT_EQ(GlobalReAlloc(moveable, 4096, GMEM_MOVEABLE), nullptr);
    EXPECT_FALSE(GlobalUnlock(moveable));
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_FALSE(GlobalUnlock(moveable));
    EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
    EXPECT_EQ(GlobalReAlloc(moveable, 4096, GMEM_MOVEABLE), moveable);
    EXPECT_EQ(GlobalSize(moveable), 4096u);
    // A fixed block cannot move, so it cannot grow past its first size.
    EXPECT_EQ(GlobalReAlloc(fixed, 17, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(GlobalSize(fixed), 16u);

    EXPECT_EQ(GlobalFree(fixed), nullptr);
    EXPECT_EQ(GlobalFree(moveable), nullptr);
    EXPECT_EQ(win32::GlobalBlockCount(), before);
    EXPECT_EQ(GlobalFree(fixed), fixed);
    EXPECT_EQ(GlobalSize(fixed), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GlobalLock(moveable), nullptr);
}

TEST(HGlobalStream, ReadsSeeksAndStatsOverTheBlock) {
    HGLOBAL block = BlockOf(Bytes("abcdef"));
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(block, FALSE, &stream), S_OK);
    char buffer[16] = {};
    ULONG got = 0;
    EXPECT_EQ(stream->Read(buffer, 4, &got), S_OK);
    EXPECT_EQ(std::string(buffer, got), "abcd");
    EXPECT_EQ(stream->Read(buffer, 10, &got), S_OK);
    EXPECT_EQ(std::string(buffer, got), "ef");
    EXPECT_EQ(stream->Read(buffer, 10, &got), S_OK);
    EXPECT_EQ(got, 0u);

    struct SeekCase {
        LONGLONG by;
        DWORD origin;
        HRESULT result;
        ULONGLONG position; // after the call
    };
    const SeekCase cases[] = {
        {1, STREAM_SEEK_SET, S_OK, 1},    {2, STREAM_SEEK_CUR, S_OK, 3},
        {-2, STREAM_SEEK_END, S_OK, 4},   {-5, STREAM_SEEK_CUR, STG_E_INVALIDFUNCTION, 4},
        {0, 7, STG_E_INVALIDFUNCTION, 4}, {10, STREAM_SEEK_SET, S_OK, 10},
    };
    for (const auto& c : cases) {
        ULARGE_INTEGER position{};
        EXPECT_EQ(stream->Seek(Move(c.by), c.origin, nullptr), c.result) << c.by;
        stream->Seek(Move(0), STREAM_SEEK_CUR, &position);
        EXPECT_EQ(position.QuadPart, c.position) << c.by;
    }
    EXPECT_EQ(stream->Read(buffer, 4, &got), S_OK); // past the end: nothing
    EXPECT_EQ(got, 0u);

    STATSTG stat{};
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.type, STGTY_STREAM);
    EXPECT_EQ(stat.cbSize.QuadPart, 6u);
    EXPECT_EQ(stream->Read(nullptr, 1, &got), STG_E_INVALIDPOINTER);
    void* same = nullptr;
    EXPECT_EQ(stream->QueryInterface(IID_IStream, &same), S_OK);
    EXPECT_EQ(same, stream);
    EXPECT_EQ(stream->Release(), 1u);
    EXPECT_EQ(stream->Release(), 0u);
    GlobalFree(block);
}

TEST(HGlobalStream, WritesGrowItsOwnBlockButNotAFixedOne) {
    IStream* growing = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &growing), S_OK);
    ULONG put = 0;
    EXPECT_EQ(growing->Write("hello", 5, &put), S_OK);
    EXPECT_EQ(put, 5u);
    HGLOBAL block = nullptr;
    ASSERT_EQ(GetHGlobalFromStream(growing, &block), S_OK);
    EXPECT_EQ(GlobalSize(block), 5u);
    EXPECT_EQ(std::memcmp(GlobalLock(block), "hello", 5), 0);
    GlobalUnlock(block);
    growing->Release();

    HGLOBAL fixed = BlockOf(Bytes("ab"));
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(fixed, FALSE, &stream), S_OK);
    EXPECT_EQ(stream->Write("xy", 2, &put), S_OK);
    EXPECT_EQ(stream->Write("z", 1, &put), STG_E_MEDIUMFULL);
    EXPECT_EQ(put, 0u);
    EXPECT_EQ(std::memcmp(GlobalLock(fixed), "xy", 2), 0);
    stream->Release();
    GlobalFree(fixed);
}

TEST(HGlobalStream, TheLastReleaseFreesTheBlockOnlyWhenAskedTo) {
    for (const BOOL deleteOnRelease : {TRUE, FALSE}) {
        const std::size_t before = win32::GlobalBlockCount();
        HGLOBAL block = BlockOf(Bytes("data"));
        IStream* stream = nullptr;
        ASSERT_EQ(CreateStreamOnHGlobal(block, deleteOnRelease, &stream), S_OK);
        IStream* clone = nullptr;
        ASSERT_EQ(stream->Clone(&clone), S_OK);
        stream->AddRef();
        stream->Release();
        stream->Release();
        EXPECT_EQ(GlobalSize(block), 4u) << "a clone still uses it";
        char c = 0;
        EXPECT_EQ(clone->Read(&c, 1, nullptr), S_OK);
        EXPECT_EQ(c, 'd');
        clone->Release();
        EXPECT_EQ(GlobalSize(block) == 4u, !deleteOnRelease);
        EXPECT_EQ(win32::GlobalBlockCount(), before + (deleteOnRelease ? 0 : 1));
        if (!deleteOnRelease)
            GlobalFree(block);
    }
}

TEST(HGlobalStream, FailsCleanlyOnBadBlocks) {
    IStream* stream = nullptr;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, nullptr), E_INVALIDARG);
    int notABlock = 0;
    EXPECT_EQ(CreateStreamOnHGlobal(&notABlock, FALSE, &stream), E_INVALIDARG);
    EXPECT_EQ(stream, nullptr);

    // A block freed under a stream that does not own it.
    HGLOBAL block = BlockOf(Bytes("gone"));
    ASSERT_EQ(CreateStreamOnHGlobal(block, FALSE, &stream), S_OK);
    GlobalFree(block);
    char buffer[4];
    ULONG got = 7;
    EXPECT_EQ(stream->Read(buffer, 4, &got), STG_E_INVALIDHANDLE);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(stream->Write("x", 1, nullptr), STG_E_INVALIDHANDLE);
    STATSTG stat{};
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), STG_E_INVALIDHANDLE);
    stream->Release();
}

} // namespace
