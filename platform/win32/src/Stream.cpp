#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <win32/Com.h>
#include <win32/GlobalMemory.h>

namespace {

// What a stream and its clones share: the block, and whether the last of
// them frees it.
struct Store {
    HGLOBAL block = nullptr;
    bool deleteOnRelease = false;
    std::mutex mutex;

    ~Store() {
        if (deleteOnRelease)
            GlobalFree(block);
    }
};

// Locks a block for the duration of one access.
class Locked {
public:
    explicit Locked(HGLOBAL block)
        : m_block(block), m_data(static_cast<BYTE*>(GlobalLock(block))) {}
    ~Locked() {
        if (m_data)
            GlobalUnlock(m_block);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    BYTE* Data() const { return m_data; }

private:
    HGLOBAL m_block;
    BYTE* m_data;
};

class HGlobalStream final : public IStream {
public:
    HGlobalStream(std::shared_ptr<Store> store, ULONGLONG position)
        : m_store(std::move(store)), m_position(position) {}

    HGLOBAL Block() const { return m_store->block; }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
            AddRef();
            *object = static_cast<IStream*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT Read(void* buffer, ULONG bytes, ULONG* read) override {
        if (read)
            *read = 0;
        if (!buffer)
            return STG_E_INVALIDPOINTER;
        std::lock_guard lock(m_store->mutex);
        const SIZE_T size = GlobalSize(Block());
        Locked data(Block());
        if (!data.Data())
            return STG_E_INVALIDHANDLE;
        if (m_position >= size)
            return S_OK;
        const auto count = static_cast<ULONG>(std::min<ULONGLONG>(bytes, size - m_position));
        std::memcpy(buffer, data.Data() + m_position, count);
        m_position += count;
        if (read)
            *read = count;
        return S_OK;
    }

    HRESULT Write(const void* buffer, ULONG bytes, ULONG* written) override {
        if (written)
            *written = 0;
        if (!buffer)
            return STG_E_INVALIDPOINTER;
        if (bytes == 0)
            return S_OK;
        std::lock_guard lock(m_store->mutex);
        const ULONGLONG end = m_position + bytes;
        if (end > std::numeric_limits<SIZE_T>::max())
            return STG_E_MEDIUMFULL;
        if (!Alive())
            return STG_E_INVALIDHANDLE;
        if (end > GlobalSize(Block()) &&
            !GlobalReAlloc(Block(), static_cast<SIZE_T>(end), GMEM_MOVEABLE | GMEM_ZEROINIT))
            return STG_E_MEDIUMFULL;
        Locked data(Block());
        if (!data.Data())
            return STG_E_INVALIDHANDLE;
        std::memcpy(data.Data() + m_position, buffer, bytes);
        m_position = end;
        if (written)
            *written = bytes;
        return S_OK;
    }

    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        std::lock_guard lock(m_store->mutex);
        LONGLONG base = 0;
        switch (origin) {
        case STREAM_SEEK_SET:
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<LONGLONG>(m_position);
            break;
        case STREAM_SEEK_END:
            base = static_cast<LONGLONG>(GlobalSize(Block()));
            break;
        default:
            return STG_E_INVALIDFUNCTION;
        }
        LONGLONG target = 0;
        if (__builtin_add_overflow(base, move.QuadPart, &target) || target < 0)
            return STG_E_INVALIDFUNCTION;
        m_position = static_cast<ULONGLONG>(target);
        if (newPosition)
            newPosition->QuadPart = m_position;
        return S_OK;
    }

    HRESULT SetSize(ULARGE_INTEGER newSize) override {
        if (newSize.QuadPart > std::numeric_limits<SIZE_T>::max())
            return STG_E_MEDIUMFULL;
        std::lock_guard lock(m_store->mutex);
        if (!Alive())
            return STG_E_INVALIDHANDLE;
        if (!GlobalReAlloc(Block(), static_cast<SIZE_T>(newSize.QuadPart),
                           GMEM_MOVEABLE | GMEM_ZEROINIT))
            return STG_E_MEDIUMFULL;
        return S_OK;
    }

    HRESULT CopyTo(IStream* target, ULARGE_INTEGER bytes, ULARGE_INTEGER* read,
                   ULARGE_INTEGER* written) override {
        if (read)
            read->QuadPart = 0;
        if (written)
            written->QuadPart = 0;
        if (!target)
            return STG_E_INVALIDPOINTER;
        BYTE chunk[4096];
        ULONGLONG left = bytes.QuadPart;
        while (left > 0) {
            ULONG got = 0;
            const HRESULT hr =
                Read(chunk, static_cast<ULONG>(std::min<ULONGLONG>(left, sizeof chunk)), &got);
            if (FAILED(hr))
                return hr;
            if (got == 0)
                break;
            if (read)
                read->QuadPart += got;
            ULONG put = 0;
            const HRESULT wr = target->Write(chunk, got, &put);
            if (written)
                written->QuadPart += put;
            if (FAILED(wr))
                return wr;
            left -= got;
        }
        return S_OK;
    }

    // Not transacted: there is nothing to commit or revert.
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }

    HRESULT Stat(STATSTG* stat, DWORD) override {
        if (!stat)
            return STG_E_INVALIDPOINTER;
        std::lock_guard lock(m_store->mutex);
        if (!Alive())
            return STG_E_INVALIDHANDLE;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = GlobalSize(Block());
        return S_OK;
    }

    HRESULT Clone(IStream** stream) override {
        if (!stream)
            return STG_E_INVALIDPOINTER;
        std::lock_guard lock(m_store->mutex);
        *stream = new (std::nothrow) HGlobalStream(m_store, m_position);
        return *stream ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~HGlobalStream() override = default;

    // The block may have been freed under a stream that does not own it.
    bool Alive() const { return Locked(Block()).Data() != nullptr; }

    std::shared_ptr<Store> m_store;
    std::atomic<ULONG> m_refs{1};
    ULONGLONG m_position = 0;
};

} // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, LPSTREAM* stream) {
    if (!stream)
        return E_INVALIDARG;
    *stream = nullptr;
    const bool own = block == nullptr;
    if (own) {
        block = GlobalAlloc(GMEM_MOVEABLE, 0);
        if (!block)
            return E_OUTOFMEMORY;
    } else if (!Locked(block).Data()) {
        return E_INVALIDARG;
    }
    std::shared_ptr<Store> store;
    HGlobalStream* created = nullptr;
    try {
        store = std::make_shared<Store>();
        created = new HGlobalStream(store, 0);
    } catch (const std::bad_alloc&) {
    }
    if (!created) {
        if (own)
            GlobalFree(block);
        return E_OUTOFMEMORY;
    }
    store->block = block;
    store->deleteOnRelease = deleteOnRelease != FALSE;
    *stream = created;
    return S_OK;
}

HRESULT GetHGlobalFromStream(IStream* stream, HGLOBAL* block) {
    if (!block)
        return E_INVALIDARG;
    *block = nullptr;
    auto* ours = dynamic_cast<HGlobalStream*>(stream);
    if (!ours)
        return E_INVALIDARG;
    *block = ours->Block();
    return S_OK;
}
