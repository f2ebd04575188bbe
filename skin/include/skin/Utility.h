#pragma once

#include <gdiplus/Gdiplus.h>
#include <win32/Types.h>

namespace Gdiplus {

// Starts GDI+ when the process starts and shuts it down when it ends; its
// one instance is its own static member.
class GdiPlusInitialize {
public:
    GdiPlusInitialize();
    ~GdiPlusInitialize();
    GdiPlusInitialize(const GdiPlusInitialize&) = delete;
    GdiPlusInitialize& operator=(const GdiPlusInitialize&) = delete;

protected:
    static GdiPlusInitialize m_Initialize;

private:
    ULONG_PTR m_token = 0;
};

} // namespace Gdiplus

class CUtility {
public:
    // A new image of the resource, owned by the caller. A resource that is
    // missing or cannot be decoded still gives an image, of 0 × 0.
    static Gdiplus::Image* LoadImageW(UINT nID, LPCTSTR lpszType, HINSTANCE hInstance);
};
