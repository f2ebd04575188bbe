#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <win32/GlobalMemory.h>
#include <win32/Kernel.h>

namespace {

struct Block {
    std::unique_ptr<std::byte[]> data;
    SIZE_T size = 0;
    SIZE_T capacity = 0;
    bool moveable = false;
    DWORD locks = 0;
};

class BlockTable {
public:
    std::mutex mutex;
    // A fixed block is keyed by its data address, a moveable one by the
    // address of its record: both are live allocations, so keys never clash.
    std::unordered_map<HGLOBAL, std::unique_ptr<Block>> blocks;

    Block* Find(HGLOBAL handle) {
        auto it = blocks.find(handle);
        return it == blocks.end() ? nullptr : it->second.get();
    }
};

BlockTable& Table() {
    static BlockTable* table = new BlockTable;
    return *table;
}

std::unique_ptr<std::byte[]> Allocate(SIZE_T bytes, bool zero) {
    // Never zero bytes: a fixed block's address is its handle and must be unique.
    std::unique_ptr<std::byte[]> data(new (std::nothrow) std::byte[bytes ? bytes : 1]);
    if (data && zero)
        std::memset(data.get(), 0, bytes);
    return data;
}

} // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    auto block = std::make_unique<Block>();
    block->data = Allocate(bytes, (flags & GMEM_ZEROINIT) != 0);
    if (!block->data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    block->size = bytes;
    block->capacity = bytes;
    block->moveable = (flags & GMEM_MOVEABLE) != 0;
    HGLOBAL handle = block->moveable ? static_cast<HGLOBAL>(block.get())
                                     : static_cast<HGLOBAL>(block->data.get());
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    table.blocks.emplace(handle, std::move(block));
    return handle;
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    Block* block = table.Find(handle);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (bytes <= block->capacity) {
        if (bytes > block->size && (flags & GMEM_ZEROINIT))
            std::memset(block->data.get() + block->size, 0, bytes - block->size);
        block->size = bytes;
        return handle;
    }
    // A fixed block's address is its handle, and a locked block's address is
    // in someone's hands: neither can move.
    if (!block->moveable || block->locks > 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto data = Allocate(bytes, (flags & GMEM_ZEROINIT) != 0);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::memcpy(data.get(), block->data.get(), block->size);
    block->data = std::move(data);
    block->size = bytes;
    block->capacity = bytes;
    return handle;
}

LPVOID GlobalLock(HGLOBAL handle) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    Block* block = table.Find(handle);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (block->moveable)
        ++block->locks;
    return block->data.get();
}

BOOL GlobalUnlock(HGLOBAL handle) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    Block* block = table.Find(handle);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (block->locks == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--block->locks > 0)
        return TRUE;
    SetLastError(ERROR_SUCCESS);
    return FALSE;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
    auto& table = Table();
    std::unique_ptr<Block> doomed;
    std::lock_guard lock(table.mutex);
    auto it = table.blocks.find(handle);
    if (it == table.blocks.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return handle;
    }
    doomed = std::move(it->second);
    table.blocks.erase(it);
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL handle) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    Block* block = table.Find(handle);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return block->size;
}

namespace win32 {
std::size_t GlobalBlockCount() {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    return table.blocks.size();
}
} // namespace win32
