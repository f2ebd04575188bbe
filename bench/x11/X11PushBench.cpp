// One push of a 195 x 413 per-pixel-alpha picture (the gadget's size) to an
// Xvfb of the benchmark's own: UpdateLayeredWindow, the UI thread catching
// up with its queue, and the server having taken the pixels.

#include <XServer.h>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <screen/X11Screen.h>
#include <win32/Gdi.h>
#include <win32/Kernel.h>
#include <win32/User.h>

namespace {

constexpr int kWidth = 195;
constexpr int kHeight = 413;

void Pump() {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void BM_X11Push(benchmark::State& state) {
    desktop::XServer server;
    if (!server.Start()) {
        state.SkipWithError("Xvfb is missing or did not start: nothing to measure");
        return;
    }
    std::string error;
    auto screen = screen::X11Screen::Open(server.Name().c_str(), &error);
    if (!screen) {
        state.SkipWithError(error.c_str());
        return;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"X11PushBench";
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT,
                                L"X11PushBench", nullptr, WS_VISIBLE, 40, 40, kWidth, kHeight,
                                nullptr, nullptr, wc.hInstance, nullptr);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int i = 0; i < kWidth * kHeight; ++i)
        pixels[i] = (i % 7 == 0) ? 0u : 0xFF204080u + static_cast<std::uint32_t>(i % 64);
    HDC screenDc = GetDC(hwnd);
    HDC memDc = CreateCompatibleDC(screenDc);
    HGDIOBJ old = SelectObject(memDc, dib);
    POINT dst{40, 40};
    POINT src{0, 0};
    SIZE size{kWidth, kHeight};
    BYTE alpha = 200;
    auto push = [&] {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
        UpdateLayeredWindow(hwnd, screenDc, &dst, &size, memDc, &src, 0, &blend, ULW_ALPHA);
        Pump();
        screen->WaitForServer();
    };
    push();
    for (auto _ : state) {
        alpha = static_cast<BYTE>(alpha == 200 ? 255 : 200);
        push();
    }
    state.SetItemsProcessed(state.iterations());

    SelectObject(memDc, old);
    DeleteDC(memDc);
    ReleaseDC(hwnd, screenDc);
    DeleteObject(dib);
    DestroyWindow(hwnd);
    Pump();
    UnregisterClassW(L"X11PushBench", wc.hInstance);
}
BENCHMARK(BM_X11Push)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
