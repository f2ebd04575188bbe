#include <cstring>
#include <mfc/WinApp.h>
#include <mfc/WinThread.h>
#include <new>
#include <skin/InitOrder.h>
#include <skin/Utility.h>
#include <win32/Bitmaps.h>
#include <win32/Com.h>
#include <win32/Gdi.h>
#include <win32/GlobalMemory.h>
#include <win32/Kernel.h>

namespace Gdiplus {

TARVIK_INIT_GDIPLUS GdiPlusInitialize GdiPlusInitialize::m_Initialize;

GdiPlusInitialize::GdiPlusInitialize() {
    GdiplusStartupInput input;
    GdiplusStartup(&m_token, &input, nullptr);
}

GdiPlusInitialize::~GdiPlusInitialize() {
    GdiplusShutdown(m_token);
}

} // namespace Gdiplus

Gdiplus::Image* CUtility::LoadImageW(UINT nID, LPCTSTR lpszType, HINSTANCE hInstance) {
    if (lpszType == RT_BITMAP) {
        HBITMAP hbm = LoadBitmapW(hInstance, MAKEINTRESOURCEW(nID));
        Gdiplus::Bitmap* bitmap = Gdiplus::Bitmap::FromHBITMAP(hbm, nullptr);
        DeleteObject(hbm);
        return bitmap;
    }

    HMODULE module = hInstance ? hInstance : AfxGetResourceHandle();
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(nID), lpszType);
    const DWORD size = SizeofResource(module, resource);
    HGLOBAL bytes = LoadResource(module, resource);

    // The block is never freed: the image reads from the stream over it for
    // as long as it lives, and the stream does not own it.
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
    if (!block)
        return new (std::nothrow) Gdiplus::Image(static_cast<IStream*>(nullptr), FALSE);
    void* copy = GlobalLock(block);
    if (copy && bytes && size)
        std::memcpy(copy, LockResource(bytes), size);

    IStream* stream = nullptr;
    CreateStreamOnHGlobal(block, FALSE, &stream);
    auto* image = new (std::nothrow) Gdiplus::Image(stream, FALSE);
    GlobalUnlock(block);
    // Drops only this function's reference; the image holds its own.
    if (stream)
        stream->Release();
    FreeResource(bytes);
    return image;
}
