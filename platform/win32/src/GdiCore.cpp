#include "Gdi.h"

#include "Internal.h"
#include "WindowTable.h"

#include <algorithm>
#include <cstring>
#include <raster/Ops.h>
#include <win32/Kernel.h>

namespace win32::detail {

GdiTable& Gdi() {
    static GdiTable* table = new GdiTable;
    return *table;
}

void* GdiTable::Add(std::shared_ptr<GdiObject> object) {
    void* handle = reinterpret_cast<void*>(m_next += 4);
    if (!object->stock)
        ++counted;
    objects[handle] = std::move(object);
    return handle;
}

namespace {

RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}

// Classic colours of the platform's standard scheme.
COLORREF SysColor(int index) {
    switch (index) {
    case COLOR_SCROLLBAR:
        return RGB(212, 208, 200);
    case COLOR_BACKGROUND:
        return RGB(58, 110, 165);
    case COLOR_WINDOW:
        return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME:
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
        return RGB(0, 0, 0);
    case COLOR_3DFACE:
    case COLOR_3DLIGHT:
        return RGB(212, 208, 200);
    case COLOR_3DSHADOW:
    case COLOR_GRAYTEXT:
        return RGB(128, 128, 128);
    case COLOR_3DHIGHLIGHT:
        return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW:
        return RGB(64, 64, 64);
    default:
        return RGB(212, 208, 200);
    }
}

struct Stock {
    HGDIOBJ objects[20]{};
    HGDIOBJ sysBrushes[32]{};
    HBITMAP defaultBitmap = nullptr; // what a new memory DC holds: 1 × 1
};

// Under the table's lock.
Stock& Stocks(GdiTable& table) {
    static Stock* stock = nullptr;
    if (stock)
        return *stock;
    stock = new Stock;
    auto brush = [&](COLORREF c, bool hollow = false) {
        auto b = std::make_shared<BrushObject>();
        b->stock = true;
        b->color = c;
        b->hollow = hollow;
        return table.Add(b);
    };
    auto pen = [&](COLORREF c, bool null = false) {
        auto p = std::make_shared<PenObject>();
        p->stock = true;
        p->color = c;
        p->null = null;
        return table.Add(p);
    };
    auto font = [&](const wchar_t* face, LONG height) {
        auto f = std::make_shared<FontObject>();
        f->stock = true;
        f->logFont.lfHeight = height;
        f->logFont.lfCharSet = DEFAULT_CHARSET;
        std::wcsncpy(f->logFont.lfFaceName, face, LF_FACESIZE - 1);
        return table.Add(f);
    };
    stock->objects[WHITE_BRUSH] = brush(RGB(255, 255, 255));
    stock->objects[LTGRAY_BRUSH] = brush(RGB(192, 192, 192));
    stock->objects[GRAY_BRUSH] = brush(RGB(128, 128, 128));
    stock->objects[DKGRAY_BRUSH] = brush(RGB(64, 64, 64));
    stock->objects[BLACK_BRUSH] = brush(RGB(0, 0, 0));
    stock->objects[NULL_BRUSH] = brush(0, true);
    stock->objects[WHITE_PEN] = pen(RGB(255, 255, 255));
    stock->objects[BLACK_PEN] = pen(RGB(0, 0, 0));
    stock->objects[NULL_PEN] = pen(0, true);
    stock->objects[SYSTEM_FONT] = font(L"MS Shell Dlg", -16);
    stock->objects[DEFAULT_GUI_FONT] = font(L"MS Shell Dlg", -11);
    for (int i = 0; i < 32; ++i)
        stock->sysBrushes[i] = brush(SysColor(i));
    auto bitmap = std::make_shared<BitmapObject>();
    bitmap->stock = true;
    bitmap->width = 1;
    bitmap->height = 1;
    bitmap->storage.assign(1, 0xFF000000u);
    bitmap->bits = bitmap->storage.data();
    stock->defaultBitmap = static_cast<HBITMAP>(table.Add(bitmap));
    return *stock;
}

HDC NewDc(DcKind kind, HWND hwnd) {
    auto& table = Gdi();
    std::lock_guard lock(table.mutex);
    Stock& stock = Stocks(table);
    auto dc = std::make_shared<DcObject>();
    dc->dcKind = kind;
    dc->hwnd = hwnd;
    dc->state.brush = static_cast<HBRUSH>(stock.objects[WHITE_BRUSH]);
    dc->state.pen = static_cast<HPEN>(stock.objects[BLACK_PEN]);
    dc->state.font = static_cast<HFONT>(stock.objects[SYSTEM_FONT]);
    if (kind == DcKind::Memory)
        dc->state.bitmap = stock.defaultBitmap;
    return static_cast<HDC>(table.Add(dc));
}

bool EraseDc(HDC hdc) {
    auto& table = Gdi();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(hdc);
    if (it == table.objects.end() || it->second->kind != GdiKind::Dc)
        return false;
    auto* dc = static_cast<DcObject*>(it->second.get());
    if (auto* bmp = table.Find<BitmapObject>(dc->state.bitmap, GdiKind::Bitmap))
        bmp->selectedInto = nullptr;
    table.objects.erase(it);
    --table.counted;
    return true;
}

} // namespace

DrawTarget::~DrawTarget() = default;

DrawTarget AcquireTarget(HDC hdc) {
    DrawTarget target;
    DcState state;
    DcKind kind;
    HWND hwnd = nullptr;
    std::shared_ptr<GdiObject> bitmapHold;
    {
        auto& gdi = Gdi();
        std::lock_guard lock(gdi.mutex);
        auto* dc = gdi.Find<DcObject>(hdc, GdiKind::Dc);
        if (!dc)
            return target;
        state = dc->state;
        kind = dc->dcKind;
        hwnd = dc->hwnd;
        if (kind == DcKind::Memory) {
            auto* bmp = gdi.Find<BitmapObject>(state.bitmap, GdiKind::Bitmap);
            if (!bmp || !bmp->bits)
                return target;
            // A selected bitmap cannot be deleted, and only its DC's thread
            // draws into it: no lock is needed past this point.
            target.m_rowZero = bmp->Row(0);
            target.m_width = bmp->width;
            target.m_height = bmp->height;
            target.m_stride = bmp->bottomUp ? -bmp->width : bmp->width;
            target.m_clip = RECT{0, 0, bmp->width, bmp->height};
        }
    }
    if (kind != DcKind::Memory) {
        auto& windows = Windows();
        target.m_lock = std::unique_lock(windows.mutex);
        Window* w = windows.Find(hwnd);
        if (!w)
            return DrawTarget{};
        HWND topHandle = windows.TopLevelOf(hwnd);
        Window* top = windows.Find(topHandle);
        if (!top || top->surface.width <= 0 || top->surface.height <= 0)
            return DrawTarget{};
        const POINT topOrigin = windows.ScreenOrigin(*top);
        const POINT origin = windows.ScreenOrigin(*w);
        const POINT offset{origin.x - topOrigin.x, origin.y - topOrigin.y};
        RECT clip{offset.x, offset.y, offset.x + (w->rect.right - w->rect.left),
                  offset.y + (w->rect.bottom - w->rect.top)};
        // Clipped by every ancestor.
        for (Window* p = w->parent ? windows.Find(w->parent) : nullptr; p && p != top;
             p = p->parent ? windows.Find(p->parent) : nullptr) {
            const POINT po = windows.ScreenOrigin(*p);
            clip = Intersect(clip, RECT{po.x - topOrigin.x, po.y - topOrigin.y,
                                        po.x - topOrigin.x + (p->rect.right - p->rect.left),
                                        po.y - topOrigin.y + (p->rect.bottom - p->rect.top)});
        }
        target.m_rowZero = top->surface.pixels.data();
        target.m_width = top->surface.width;
        target.m_height = top->surface.height;
        target.m_stride = top->surface.width;
        target.m_clip = Intersect(clip, RECT{0, 0, top->surface.width, top->surface.height});
        target.m_window = topHandle;
        state.origin.x += offset.x;
        state.origin.y += offset.y;
        if (state.clip) {
            RECT c = *state.clip;
            c.left += offset.x;
            c.right += offset.x;
            c.top += offset.y;
            c.bottom += offset.y;
            state.clip = c;
        }
    }
    if (state.clip)
        target.m_clip = Intersect(target.m_clip, *state.clip);
    target.m_origin = state.origin;
    return target;
}

std::optional<DcState> StateOf(HDC hdc) {
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    auto* dc = gdi.Find<DcObject>(hdc, GdiKind::Dc);
    if (!dc)
        return std::nullopt;
    return dc->state;
}

bool ReadPixels(HDC hdc, int x, int y, int width, int height, std::vector<std::uint32_t>& out) {
    DrawTarget target = AcquireTarget(hdc);
    if (!target.Valid() || width <= 0 || height <= 0)
        return false;
    // Whole rows at a time; what lies outside the target reads as 0. The
    // caller's buffer is reused when it is large enough.
    out.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const long long dx = static_cast<long long>(target.Origin().x) + x;
    const long long dy = static_cast<long long>(target.Origin().y) + y;
    const long long from = std::clamp<long long>(dx, 0, target.Width());
    const long long to = std::clamp<long long>(dx + width, 0, target.Width());
    const std::size_t before = static_cast<std::size_t>(std::max(0LL, from - dx));
    const std::size_t inside = static_cast<std::size_t>(std::max(0LL, to - from));
    const std::size_t after = static_cast<std::size_t>(width) - before - inside;
    for (int row = 0; row < height; ++row) {
        std::uint32_t* dst = out.data() + static_cast<std::size_t>(row) * width;
        const long long sy = dy + row;
        if (sy < 0 || sy >= target.Height() || inside == 0) {
            std::memset(dst, 0, sizeof(std::uint32_t) * static_cast<std::size_t>(width));
            continue;
        }
        std::memset(dst, 0, sizeof(std::uint32_t) * before);
        std::memcpy(dst + before, target.Row(static_cast<int>(sy)) + from,
                    sizeof(std::uint32_t) * inside);
        std::memset(dst + before + inside, 0, sizeof(std::uint32_t) * after);
    }
    return true;
}

std::optional<COLORREF> BrushColor(HBRUSH brush) {
    const auto value = reinterpret_cast<std::uintptr_t>(brush);
    if (value > 0 && value <= 32)
        return SysColor(static_cast<int>(value) - 1);
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    auto* b = gdi.Find<BrushObject>(brush, GdiKind::Brush);
    if (!b || b->hollow)
        return std::nullopt;
    return b->color;
}

void ReleaseWindowDCs(HWND hwnd) {
    std::vector<HDC> leftovers;
    {
        auto& gdi = Gdi();
        std::lock_guard lock(gdi.mutex);
        for (auto& [handle, object] : gdi.objects)
            if (object->kind == GdiKind::Dc && static_cast<DcObject*>(object.get())->hwnd == hwnd)
                leftovers.push_back(static_cast<HDC>(handle));
    }
    for (HDC hdc : leftovers)
        EraseDc(hdc);
}

} // namespace win32::detail

namespace win32 {
std::size_t GdiObjectCount() {
    auto& gdi = detail::Gdi();
    std::lock_guard lock(gdi.mutex);
    return gdi.counted;
}
} // namespace win32

using namespace win32::detail;

HDC CreateCompatibleDC(HDC) {
    return NewDc(DcKind::Memory, nullptr);
}

BOOL DeleteDC(HDC hdc) {
    {
        auto& gdi = Gdi();
        std::lock_guard lock(gdi.mutex);
        auto* dc = gdi.Find<DcObject>(hdc, GdiKind::Dc);
        if (!dc || dc->dcKind != DcKind::Memory)
            return FALSE;
    }
    return EraseDc(hdc) ? TRUE : FALSE;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
    if (width <= 0 || height <= 0 || width > 32768 || height > 32768)
        return nullptr;
    auto bitmap = std::make_shared<BitmapObject>();
    bitmap->width = width;
    bitmap->height = height;
    try {
        bitmap->storage.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    bitmap->bits = bitmap->storage.data();
    // Black, as a new screen-compatible bitmap is.
    raster::FillPixels(bitmap->bits, bitmap->storage.size(), 0xFF000000u);
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    return static_cast<HBITMAP>(gdi.Add(bitmap));
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD) {
    if (bits)
        *bits = nullptr;
    if (!info || usage != DIB_RGB_COLORS || section)
        return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biBitCount != 32 || h.biCompression != BI_RGB ||
        h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight == 0 || h.biWidth > 32768 ||
        h.biHeight > 32768 || h.biHeight < -32768)
        return nullptr;
    auto bitmap = std::make_shared<BitmapObject>();
    bitmap->dib = true;
    bitmap->width = h.biWidth;
    bitmap->height = h.biHeight > 0 ? h.biHeight : -h.biHeight;
    bitmap->bottomUp = h.biHeight > 0;
    try {
        bitmap->storage.resize(static_cast<std::size_t>(bitmap->width) * bitmap->height);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    bitmap->bits = bitmap->storage.data();
    std::memset(bitmap->bits, 0, sizeof(std::uint32_t) * bitmap->storage.size());
    if (bits)
        *bits = bitmap->bits;
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    return static_cast<HBITMAP>(gdi.Add(bitmap));
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    auto* dc = gdi.Find<DcObject>(hdc, GdiKind::Dc);
    auto it = gdi.objects.find(object);
    if (!dc || it == gdi.objects.end())
        return nullptr;
    switch (it->second->kind) {
    case GdiKind::Bitmap: {
        if (dc->dcKind != DcKind::Memory)
            return nullptr;
        auto* bmp = static_cast<BitmapObject*>(it->second.get());
        if (bmp->selectedInto && bmp->selectedInto != hdc && !bmp->stock)
            return nullptr; // a bitmap lives in one DC at a time
        HBITMAP old = dc->state.bitmap;
        if (auto* prev = gdi.Find<BitmapObject>(old, GdiKind::Bitmap))
            prev->selectedInto = nullptr;
        bmp->selectedInto = bmp->stock ? nullptr : hdc;
        dc->state.bitmap = static_cast<HBITMAP>(object);
        return old;
    }
    case GdiKind::Brush: {
        HBRUSH old = dc->state.brush;
        dc->state.brush = static_cast<HBRUSH>(object);
        return old;
    }
    case GdiKind::Pen: {
        HPEN old = dc->state.pen;
        dc->state.pen = static_cast<HPEN>(object);
        return old;
    }
    case GdiKind::Font: {
        HFONT old = dc->state.font;
        dc->state.font = static_cast<HFONT>(object);
        return old;
    }
    default:
        return nullptr;
    }
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    auto state = StateOf(hdc);
    if (!state)
        return nullptr;
    switch (type) {
    case OBJ_BITMAP:
        return state->bitmap;
    case OBJ_BRUSH:
        return state->brush;
    case OBJ_PEN:
        return state->pen;
    case OBJ_FONT:
        return state->font;
    default:
        return nullptr;
    }
}

BOOL DeleteObject(HGDIOBJ object) {
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    auto it = gdi.objects.find(object);
    if (it == gdi.objects.end() || it->second->kind == GdiKind::Dc)
        return FALSE;
    if (it->second->stock)
        return TRUE;
    if (it->second->kind == GdiKind::Bitmap &&
        static_cast<BitmapObject*>(it->second.get())->selectedInto)
        return FALSE;
    gdi.objects.erase(it);
    --gdi.counted;
    return TRUE;
}

int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) {
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    auto it = gdi.objects.find(object);
    if (it == gdi.objects.end())
        return 0;
    if (it->second->kind == GdiKind::Bitmap) {
        auto* bmp = static_cast<BitmapObject*>(it->second.get());
        if (!buffer)
            return sizeof(BITMAP);
        if (size < static_cast<int>(sizeof(BITMAP)))
            return 0;
        BITMAP info{
            0, bmp->width, bmp->height, bmp->width * 4, 1, 32, bmp->dib ? bmp->bits : nullptr};
        std::memcpy(buffer, &info, sizeof info);
        return sizeof(BITMAP);
    }
    if (it->second->kind == GdiKind::Font) {
        if (!buffer)
            return sizeof(LOGFONTW);
        if (size < static_cast<int>(sizeof(LOGFONTW)))
            return 0;
        std::memcpy(buffer, &static_cast<FontObject*>(it->second.get())->logFont, sizeof(LOGFONTW));
        return sizeof(LOGFONTW);
    }
    return 0;
}

DWORD GetObjectType(HGDIOBJ object) {
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    auto it = gdi.objects.find(object);
    if (it == gdi.objects.end())
        return 0;
    switch (it->second->kind) {
    case GdiKind::Bitmap:
        return OBJ_BITMAP;
    case GdiKind::Brush:
        return OBJ_BRUSH;
    case GdiKind::Pen:
        return OBJ_PEN;
    case GdiKind::Font:
        return OBJ_FONT;
    case GdiKind::Dc:
        return static_cast<DcObject*>(it->second.get())->dcKind == DcKind::Memory ? OBJ_MEMDC
                                                                                  : OBJ_DC;
    }
    return 0;
}

HGDIOBJ GetStockObject(int index) {
    if (index < 0 || index >= 20)
        return nullptr;
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    return Stocks(gdi).objects[index];
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
    if (rop != SRCCOPY || width <= 0 || height <= 0)
        return FALSE;
    std::vector<std::uint32_t> pixels;
    if (!ReadPixels(source, sx, sy, width, height, pixels))
        return FALSE;
    DrawTarget target = AcquireTarget(dest);
    if (!target.Valid())
        return FALSE;
    const RECT clip = target.Clip();
    for (int row = 0; row < height; ++row) {
        const int ty = target.Origin().y + y + row;
        if (ty < clip.top || ty >= clip.bottom)
            continue;
        std::uint32_t* dst = target.Row(ty);
        const std::uint32_t* src = pixels.data() + static_cast<std::size_t>(row) * width;
        for (int col = 0; col < width; ++col) {
            const int tx = target.Origin().x + x + col;
            if (tx >= clip.left && tx < clip.right)
                dst[tx] = src[col];
        }
    }
    if (HWND w = target.Window()) {
        target = DrawTarget{};
        NotifyContentChanged(w);
    }
    return TRUE;
}

namespace {
template <class F>
BOOL WithDc(HDC hdc, F&& f) {
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    auto* dc = gdi.Find<DcObject>(hdc, GdiKind::Dc);
    if (!dc)
        return FALSE;
    f(*dc);
    return TRUE;
}
} // namespace

BOOL GetViewportOrgEx(HDC hdc, LPPOINT origin) {
    return WithDc(hdc, [&](DcObject& dc) {
        if (origin)
            *origin = dc.state.origin;
    });
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous) {
    return WithDc(hdc, [&](DcObject& dc) {
        if (previous)
            *previous = dc.state.origin;
        dc.state.origin = POINT{x, y};
    });
}

BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT previous) {
    return WithDc(hdc, [&](DcObject& dc) {
        if (previous)
            *previous = dc.state.origin;
        dc.state.origin.x += dx;
        dc.state.origin.y += dy;
    });
}

int SaveDC(HDC hdc) {
    int level = 0;
    WithDc(hdc, [&](DcObject& dc) {
        dc.saved.push_back(dc.state);
        level = static_cast<int>(dc.saved.size());
    });
    return level;
}

BOOL RestoreDC(HDC hdc, int saved) {
    BOOL ok = FALSE;
    WithDc(hdc, [&](DcObject& dc) {
        const int count = static_cast<int>(dc.saved.size());
        const int level = saved < 0 ? count + saved + 1 : saved;
        if (level < 1 || level > count)
            return;
        // The bitmap stays what it is: SaveDC does not keep a selection alive.
        const HBITMAP bitmap = dc.state.bitmap;
        dc.state = dc.saved[static_cast<std::size_t>(level - 1)];
        dc.state.bitmap = bitmap;
        dc.saved.resize(static_cast<std::size_t>(level - 1));
        ok = TRUE;
    });
    return ok;
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    WithDc(hdc, [&](DcObject& dc) {
        // Stored in device pixels: the origin at the time of the call counts.
        RECT r{left + dc.state.origin.x, top + dc.state.origin.y, right + dc.state.origin.x,
               bottom + dc.state.origin.y};
        dc.state.clip = dc.state.clip ? Intersect(*dc.state.clip, r) : r;
    });
    return 2; // SIMPLEREGION
}

int GetClipBox(HDC hdc, LPRECT rect) {
    DrawTarget target = AcquireTarget(hdc);
    if (!target.Valid() || !rect)
        return 0;
    RECT c = target.Clip();
    c.left -= target.Origin().x;
    c.right -= target.Origin().x;
    c.top -= target.Origin().y;
    c.bottom -= target.Origin().y;
    *rect = c;
    return 2;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    std::vector<std::uint32_t> px;
    if (!ReadPixels(hdc, x, y, 1, 1, px))
        return 0xFFFFFFFF;
    const std::uint32_t p = px[0];
    return RGB(static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p));
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    DrawTarget target = AcquireTarget(hdc);
    if (!target.Valid())
        return 0xFFFFFFFF;
    const int tx = target.Origin().x + x;
    const int ty = target.Origin().y + y;
    const RECT c = target.Clip();
    if (tx < c.left || tx >= c.right || ty < c.top || ty >= c.bottom)
        return 0xFFFFFFFF;
    target.Row(ty)[tx] = ToPixel(color);
    return color;
}

int GetDeviceCaps(HDC, int index) {
    switch (index) {
    case BITSPIXEL:
        return 32;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    default:
        return 0;
    }
}

DWORD GetSysColor(int index) {
    return SysColor(index);
}

HBRUSH GetSysColorBrush(int index) {
    if (index < 0 || index >= 32)
        return nullptr;
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    return static_cast<HBRUSH>(Stocks(gdi).sysBrushes[index]);
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto brush = std::make_shared<BrushObject>();
    brush->color = color & 0x00FFFFFF;
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    return static_cast<HBRUSH>(gdi.Add(brush));
}

HPEN CreatePen(int style, int width, COLORREF color) {
    auto pen = std::make_shared<PenObject>();
    pen->style = style;
    pen->width = std::max(width, 1);
    pen->color = color & 0x00FFFFFF;
    pen->null = style == 5; // PS_NULL
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    return static_cast<HPEN>(gdi.Add(pen));
}

namespace {
void FillDevice(DrawTarget& target, RECT r, std::uint32_t pixel) {
    r.left += target.Origin().x;
    r.right += target.Origin().x;
    r.top += target.Origin().y;
    r.bottom += target.Origin().y;
    const RECT c = target.Clip();
    r.left = std::max(r.left, c.left);
    r.top = std::max(r.top, c.top);
    r.right = std::min(r.right, c.right);
    r.bottom = std::min(r.bottom, c.bottom);
    if (r.right <= r.left)
        return;
    for (int y = r.top; y < r.bottom; ++y)
        raster::FillPixels(target.Row(y) + r.left, static_cast<std::size_t>(r.right - r.left),
                           pixel);
}
} // namespace

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    if (!rect)
        return 0;
    auto color = BrushColor(brush);
    if (!color)
        return 0;
    DrawTarget target = AcquireTarget(hdc);
    if (!target.Valid())
        return 0;
    FillDevice(target, *rect, ToPixel(*color));
    if (HWND w = target.Window()) {
        target = DrawTarget{};
        NotifyContentChanged(w);
    }
    return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    if (!rect || rect->right <= rect->left || rect->bottom <= rect->top)
        return 0;
    auto color = BrushColor(brush);
    if (!color)
        return 0;
    DrawTarget target = AcquireTarget(hdc);
    if (!target.Valid())
        return 0;
    const RECT r = *rect;
    const std::uint32_t p = ToPixel(*color);
    FillDevice(target, RECT{r.left, r.top, r.right, r.top + 1}, p);
    FillDevice(target, RECT{r.left, r.bottom - 1, r.right, r.bottom}, p);
    FillDevice(target, RECT{r.left, r.top, r.left + 1, r.bottom}, p);
    FillDevice(target, RECT{r.right - 1, r.top, r.right, r.bottom}, p);
    return 1;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    COLORREF old = 0xFFFFFFFF;
    WithDc(hdc, [&](DcObject& dc) {
        old = dc.state.textColor;
        dc.state.textColor = color;
    });
    return old;
}

COLORREF GetTextColor(HDC hdc) {
    auto s = StateOf(hdc);
    return s ? s->textColor : 0xFFFFFFFF;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    COLORREF old = 0xFFFFFFFF;
    WithDc(hdc, [&](DcObject& dc) {
        old = dc.state.bkColor;
        dc.state.bkColor = color;
    });
    return old;
}

COLORREF GetBkColor(HDC hdc) {
    auto s = StateOf(hdc);
    return s ? s->bkColor : 0xFFFFFFFF;
}

int SetBkMode(HDC hdc, int mode) {
    int old = 0;
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    WithDc(hdc, [&](DcObject& dc) {
        old = dc.state.bkMode;
        dc.state.bkMode = mode;
    });
    return old;
}

int GetBkMode(HDC hdc) {
    auto s = StateOf(hdc);
    return s ? s->bkMode : 0;
}

// --- window and paint DCs ------------------------------------------------------------------

HDC GetDC(HWND hwnd) {
    if (hwnd && !IsWindow(hwnd))
        return nullptr;
    return NewDc(DcKind::Window, hwnd);
}

HDC GetWindowDC(HWND hwnd) {
    return GetDC(hwnd);
}

int ReleaseDC(HWND, HDC hdc) {
    {
        auto& gdi = Gdi();
        std::lock_guard lock(gdi.mutex);
        auto* dc = gdi.Find<DcObject>(hdc, GdiKind::Dc);
        if (!dc || dc->dcKind != DcKind::Window)
            return 0;
    }
    return EraseDc(hdc) ? 1 : 0;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    if (!paint)
        return nullptr;
    *paint = PAINTSTRUCT{};
    bool erase = false;
    RECT update{};
    {
        auto& table = Windows();
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w)
            return nullptr;
        erase = w->erasePending;
        update = w->updatePending ? w->updateRect : RECT{};
        w->updatePending = false;
        w->erasePending = false;
        w->updateRect = RECT{};
    }
    HDC hdc = NewDc(DcKind::Paint, hwnd);
    paint->hdc = hdc;
    paint->rcPaint = update;
    paint->fErase = TRUE;
    if (erase)
        paint->fErase =
            SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) ? FALSE : TRUE;
    return hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
    if (!paint || !paint->hdc)
        return FALSE;
    EraseDc(paint->hdc);
    HWND top = nullptr;
    {
        auto& table = Windows();
        std::lock_guard lock(table.mutex);
        top = table.TopLevelOf(hwnd);
    }
    if (top)
        NotifyContentChanged(top);
    return TRUE;
}
