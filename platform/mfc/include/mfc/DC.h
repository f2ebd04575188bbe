#pragma once

// A device context wrapper.

#include <mfc/Object.h>
#include <win32/Types.h>

class CDC : public CObject {
public:
    CDC() = default;
    explicit CDC(HDC hDC) : m_hDC(hDC) {}

    // A wrapper owned by the framework, valid while the current message is
    // handled; null for a null handle.
    static CDC* FromHandle(HDC hDC);
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    HDC m_hDC = nullptr;
};
