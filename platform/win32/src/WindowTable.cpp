#include "WindowTable.h"

#include <algorithm>
#include <cwctype>

namespace win32::detail {

void PixelStore::Resize(int w, int h) {
    w = dropped ? 0 : std::max(w, 0);
    h = dropped ? 0 : std::max(h, 0);
    if (w == width && h == height)
        return;
    width = w;
    height = h;
    pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0xFF000000u);
    if (dropped)
        pixels.shrink_to_fit();
}

std::wstring FoldCase(const std::wstring& s) {
    std::wstring out(s);
    for (auto& c : out)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return out;
}

WindowTable& Windows() {
    // Immortal, like the queues: a thread left running at exit may still ask.
    static WindowTable* table = new WindowTable;
    return *table;
}

Window* WindowTable::Find(HWND hwnd) {
    auto it = windows.find(hwnd);
    return it == windows.end() ? nullptr : it->second.get();
}

HWND WindowTable::NewHandle() {
    // Handles are never reused, so a stale handle never names a new window.
    m_next += 2;
    return reinterpret_cast<HWND>(m_next);
}

std::shared_ptr<WindowClass> WindowTable::FindClass(LPCWSTR name, HINSTANCE) {
    if (!name)
        return nullptr;
    if (IS_INTRESOURCE(name)) {
        const ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
        for (auto& [key, cls] : classes)
            if (cls->atom == atom)
                return cls;
        return nullptr;
    }
    auto it = classes.find(FoldCase(name));
    return it == classes.end() ? nullptr : it->second;
}

std::vector<HWND>& WindowTable::SiblingsOf(Window& w) {
    if (w.parent)
        if (Window* p = Find(w.parent))
            return p->children;
    return topLevels;
}

POINT WindowTable::ScreenOrigin(const Window& w) {
    POINT origin{w.rect.left, w.rect.top};
    const Window* cur = &w;
    while (cur->parent) {
        const Window* p = Find(cur->parent);
        if (!p)
            break;
        origin.x += p->rect.left;
        origin.y += p->rect.top;
        cur = p;
    }
    return origin;
}

HWND WindowTable::TopLevelOf(HWND hwnd) {
    Window* w = Find(hwnd);
    while (w && w->parent) {
        Window* p = Find(w->parent);
        if (!p)
            break;
        w = p;
    }
    return w ? w->handle : nullptr;
}

std::vector<HWND> WindowTable::BottomUp() {
    std::vector<HWND> order;
    order.reserve(topLevels.size());
    // Emits a window, then the windows it owns above it.
    auto emit = [&](auto&& self, HWND hwnd, int depth) -> void {
        order.push_back(hwnd);
        if (depth > 64)
            return;
        for (auto it = topLevels.rbegin(); it != topLevels.rend(); ++it) {
            Window* w = Find(*it);
            if (w && w->owner == hwnd)
                self(self, *it, depth + 1);
        }
    };
    for (auto it = topLevels.rbegin(); it != topLevels.rend(); ++it) {
        Window* w = Find(*it);
        if (!w)
            continue;
        if (w->owner && Find(w->owner) && w->owner != *it)
            continue;
        emit(emit, *it, 0);
    }
    return order;
}

bool WindowTable::IsReallyVisible(const Window& w) {
    const Window* cur = &w;
    while (cur) {
        if (!(cur->style & WS_VISIBLE))
            return false;
        cur = cur->parent ? Find(cur->parent) : nullptr;
    }
    return true;
}

} // namespace win32::detail
