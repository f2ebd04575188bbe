#include "PaintSurface.h"

#include <Watchdog.h>
#include <cstring>
#include <gtest/gtest.h>
#include <screen/HeadlessScreen.h>
#include <string>
#include <thread>
#include <win32/Gdi.h>
#include <win32/Screen.h>
#include <win32/User.h>

namespace {

using paint_test::Kind;
using paint_test::Surface;

constexpr COLORREF kBack = RGB(10, 60, 20);
constexpr COLORREF kText = RGB(250, 240, 0);
constexpr COLORREF kButtonBack = RGB(0, 0, 200);
constexpr LPARAM kPrintAll = 0x3F;

// The parent answers the colour messages as a skinned dialog would: its own
// brush, its own text colour.
LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    static HBRUSH back = CreateSolidBrush(kBack);
    static HBRUSH button = CreateSolidBrush(kButtonBack);
    switch (msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        SetTextColor(reinterpret_cast<HDC>(wParam), kText);
        return reinterpret_cast<LRESULT>(back);
    case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(button);
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

class Controls : public ::testing::Test {
protected:
    screen::HeadlessScreen screen{400, 300, 0xFF000000};
    testing_support::Watchdog watchdog;
    HWND parent = nullptr;

    void SetUp() override {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ParentProc;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<UINT_PTR>(COLOR_WINDOW + 1));
        wc.lpszClassName = L"PaintTestParent";
        RegisterClassExW(&wc);
        parent = CreateWindowExW(0, L"PaintTestParent", L"", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
    }
    void TearDown() override {
        DestroyWindow(parent);
        UnregisterClassW(L"PaintTestParent", nullptr);
    }

    HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, int width, int height,
               int x = 10, int y = 10) {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                               parent, nullptr, nullptr, nullptr);
    }

    static TEXTMETRICW GuiFont() {
        Surface s(1, 1);
        SelectObject(s.Dc(), GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRICW tm{};
        GetTextMetricsW(s.Dc(), &tm);
        return tm;
    }
};

TEST_F(Controls, StaticPrintsItsTextOverTheParentsBrushWithRealCjkGlyphs) {
    HWND label = Child(L"Static", L"温度℃", SS_LEFT, 120, 30);
    Surface print(120, 30, RGB(255, 255, 255), Kind::Compatible);
    SendMessageW(label, WM_PRINT, reinterpret_cast<WPARAM>(print.Dc()), kPrintAll);

    const TEXTMETRICW tm = GuiFont();
    EXPECT_EQ(print.At(0, 0), kBack);
    EXPECT_EQ(print.At(119, 29), kBack);
    EXPECT_EQ(print.CountOf(print.All(), RGB(255, 255, 255)), 0);    // all background or text
    EXPECT_EQ(print.InkIn(RECT{0, tm.tmHeight, 120, 30}, kBack), 0); // one line

    // A character no font has, drawn the same way, for comparison.
    Surface missing(40, tm.tmHeight, kBack);
    SelectObject(missing.Dc(), GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(missing.Dc(), kText);
    SetBkMode(missing.Dc(), TRANSPARENT);
    TextOutW(missing.Dc(), 0, 0, L"\u0378", 1);
    SIZE box{};
    GetTextExtentPoint32W(missing.Dc(), L"\u0378", 1, &box);
    const auto boxPixels = missing.Pixels(RECT{0, 0, box.cx, tm.tmHeight});

    const std::wstring text = L"温度℃";
    for (std::size_t i = 0; i < text.size(); ++i) {
        SCOPED_TRACE(i);
        SIZE before{}, through{};
        GetTextExtentPoint32W(missing.Dc(), text.c_str(), static_cast<int>(i), &before);
        GetTextExtentPoint32W(missing.Dc(), text.c_str(), static_cast<int>(i + 1), &through);
        const RECT cell{before.cx, 0, through.cx, tm.tmHeight};
        EXPECT_GT(print.CountNear(cell, kText), 3); // ink in the text colour
        EXPECT_NE(print.Pixels(RECT{before.cx, 0, before.cx + box.cx, tm.tmHeight}), boxPixels);
    }
}

TEST_F(Controls, StaticExpandsTabsAndWrapsOnlyWhenItsStyleSays) {
    const TEXTMETRICW tm = GuiFont();
    auto print = [&](const wchar_t* text, DWORD style, HFONT font = nullptr) {
        HWND label = Child(L"Static", text, style, 80, 3 * tm.tmHeight);
        if (font)
            SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        auto s = std::make_unique<Surface>(80, 3 * tm.tmHeight);
        SendMessageW(label, WM_PRINT, reinterpret_cast<WPARAM>(s->Dc()), kPrintAll);
        DestroyWindow(label);
        return s;
    };
    const int plain = print(L"X", SS_LEFT)->FirstInkColumn(kBack);
    EXPECT_EQ(print(L"\tX", SS_LEFT)->FirstInkColumn(kBack), plain + 8 * tm.tmAveCharWidth);

    const wchar_t* longLine = L"alpha beta gamma delta";
    const RECT below{0, tm.tmHeight, 80, 3 * tm.tmHeight};
    EXPECT_GT(print(longLine, SS_LEFT)->InkIn(below, kBack), 0);
    auto cut = print(longLine, SS_LEFTNOWORDWRAP);
    EXPECT_EQ(cut->InkIn(below, kBack), 0);
    EXPECT_GT(cut->InkIn(RECT{70, 0, 80, tm.tmHeight}, kBack), 0); // runs to the edge
    // "&x" shows as "x" unless the style keeps prefixes as they are.
    const int xEnd = print(L"x", SS_LEFT)->LastInkColumn(kBack);
    EXPECT_EQ(print(L"&x", SS_LEFT)->LastInkColumn(kBack), xEnd);
    EXPECT_GT(print(L"&x", SS_LEFT | SS_NOPREFIX)->LastInkColumn(kBack), xEnd);

    // The font the dialog sets is the one drawn with.
    LOGFONTW lf{};
    lf.lfHeight = -2 * tm.tmHeight;
    HFONT big = CreateFontIndirectW(&lf);
    EXPECT_GT(print(L"X", SS_LEFT, big)->InkIn(below, kBack), 0);
    DeleteObject(big);
}

TEST_F(Controls, ButtonsDrawFaceFrameAndCaption) {
    constexpr int w = 60, h = 24;
    struct Case {
        DWORD style;
        bool pressed;
        // Expected colours at the corner, one and two pixels in, and the far corner.
        int corner, in1, in2, farCorner;
    };
    constexpr int kBlack = -1;
    for (const Case& c :
         {Case{BS_PUSHBUTTON, false, COLOR_3DLIGHT, COLOR_3DHIGHLIGHT, COLOR_BTNFACE,
               COLOR_3DDKSHADOW},
          Case{BS_DEFPUSHBUTTON, false, kBlack, COLOR_3DLIGHT, COLOR_3DHIGHLIGHT, kBlack},
          Case{BS_FLAT, false, COLOR_WINDOWFRAME, COLOR_BTNFACE, COLOR_BTNFACE, COLOR_WINDOWFRAME},
          Case{BS_PUSHBUTTON, true, COLOR_3DSHADOW, COLOR_3DDKSHADOW, COLOR_BTNFACE,
               COLOR_3DHIGHLIGHT}}) {
        SCOPED_TRACE(testing::Message() << "style " << c.style << " pressed " << c.pressed);
        HWND button = Child(L"Button", L"OK", c.style, w, h);
        if (c.pressed)
            SendMessageW(button, BM_SETSTATE, TRUE, 0);
        Surface s(w, h);
        SendMessageW(button, WM_PRINT, reinterpret_cast<WPARAM>(s.Dc()), kPrintAll);
        auto colour = [](int index) { return index == kBlack ? RGB(0, 0, 0) : GetSysColor(index); };
        EXPECT_EQ(s.At(0, 0), colour(c.corner));
        EXPECT_EQ(s.At(w / 2, 0), colour(c.corner));
        EXPECT_EQ(s.At(1, h / 2), colour(c.in1));
        EXPECT_EQ(s.At(2, 2), colour(c.in2));
        EXPECT_EQ(s.At(w - 1, h - 1), colour(c.farCorner));
        EXPECT_EQ(s.At(4, h / 2), GetSysColor(COLOR_BTNFACE));
        // The caption, centred, in the button text colour.
        const RECT middle{w / 4, 4, 3 * w / 4, h - 4};
        EXPECT_GT(s.CountNear(middle, GetSysColor(COLOR_BTNTEXT)), 5);
        DestroyWindow(button);
    }

    // Pressed, the caption moves one pixel right and down.
    auto captionAt = [&](bool pressed) {
        HWND button = Child(L"Button", L"OK", BS_PUSHBUTTON, w, h);
        SendMessageW(button, BM_SETSTATE, pressed, 0);
        Surface s(w, h);
        SendMessageW(button, WM_PRINT, reinterpret_cast<WPARAM>(s.Dc()), kPrintAll);
        DestroyWindow(button);
        POINT first{-1, -1};
        for (int x = 3; x < w - 3 && first.x < 0; ++x)
            for (int y = 3; y < h - 3; ++y)
                if (s.At(x, y) != GetSysColor(COLOR_BTNFACE)) {
                    first = POINT{x, y};
                    break;
                }
        return first;
    };
    const POINT up = captionAt(false);
    const POINT down = captionAt(true);
    ASSERT_GE(up.x, 0);
    EXPECT_EQ(down.x, up.x + 1);
    EXPECT_EQ(down.y, up.y + 1);
}

TEST_F(Controls, EditShowsItsTextOnItsBrushInASunkenFrame) {
    HWND edit = Child(L"Edit", L"abc", 0, 60, 22);
    Surface s(60, 22);
    SendMessageW(edit, WM_PRINT, reinterpret_cast<WPARAM>(s.Dc()), kPrintAll);
    EXPECT_EQ(s.At(0, 0), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(s.At(59, 21), GetSysColor(COLOR_3DHIGHLIGHT));
    EXPECT_EQ(s.At(58, 20), kBack);
    EXPECT_GT(s.CountNear(RECT{2, 2, 40, 20}, kText), 0);
}

TEST_F(Controls, PrintingAWindowDrawsEachChildAtItsPlaceAndNothingBeyondIt) {
    // One line of text, cut at the right edge: the child's last rows are background.
    HWND label = Child(L"Static", L"WWWWWWWWWWWWWWWWWWWWWW", SS_LEFTNOWORDWRAP, 50, 20, 30, 40);
    Surface s(300, 200, RGB(1, 2, 3));
    SendMessageW(parent, WM_PRINT, reinterpret_cast<WPARAM>(s.Dc()), kPrintAll);
    const RECT child{30, 40, 80, 60};
    EXPECT_EQ(s.At(29, 39), RGB(255, 255, 255)); // the parent's class brush
    EXPECT_EQ(s.At(30, 40), kBack);
    EXPECT_EQ(s.At(79, 59), kBack);
    EXPECT_EQ(s.At(80, 59), RGB(255, 255, 255));
    EXPECT_GT(s.CountNear(child, kText), 0);
    EXPECT_GT(s.InkIn(RECT{75, 40, 80, 60}, kBack), 0);
    EXPECT_EQ(s.CountOf(s.All(), RGB(255, 255, 255)), 300 * 200 - 50 * 20);

    // A hidden window prints nothing when asked to check.
    ShowWindow(label, SW_HIDE);
    Surface hidden(50, 20, RGB(1, 2, 3));
    SendMessageW(label, WM_PRINT, reinterpret_cast<WPARAM>(hidden.Dc()), kPrintAll);
    EXPECT_EQ(hidden.CountOf(hidden.All(), RGB(1, 2, 3)), 50 * 20);
    // Unknown DCs and windows are ignored.
    SendMessageW(label, WM_PRINT, 0x1234, PRF_CLIENT);
    SendMessageW(parent, WM_PRINTCLIENT, 0, 0);
}

TEST_F(Controls, APaintedStaticShowsOnTheScreenInsideItsRectangle) {
    Child(L"Static", L"WWWWWWWWWWWWWWWWWWWWWW", SS_LEFTNOWORDWRAP, 50, 20, 30, 40);
    UpdateWindow(parent);
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg); // the child's WM_PAINT
    win32::WindowPicture picture;
    ASSERT_TRUE(win32::GetWindowPicture(parent, picture));
    auto at = [&](int x, int y) {
        const std::uint32_t p = picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
        return RGB(static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p));
    };
    EXPECT_EQ(at(30, 40), kBack);
    EXPECT_EQ(at(79, 59), kBack);
    EXPECT_EQ(at(80, 45), RGB(255, 255, 255));
    EXPECT_EQ(at(29, 45), RGB(255, 255, 255));
    int ink = 0;
    for (int y = 40; y < 60; ++y)
        for (int x = 30; x < 80; ++x)
            ink += at(x, y) != kBack;
    EXPECT_GT(ink, 20);
}

TEST_F(Controls, AStaticRepaintsForANewTextOnlyNotForTheTextItShows) {
    HWND st = Child(L"Static", L"45\u2103", SS_LEFT, 10, 10, 40, 12);
    struct Case {
        const wchar_t* text;
        bool repaints;
    };
    const Case cases[] = {
        {L"45\u2103", false}, {L"46\u2103", true}, {L"46\u2103", false},
        {L"", true},          {nullptr, false},    {L"x", true},
    };
    for (const Case& c : cases) {
        ValidateRect(st, nullptr);
        EXPECT_TRUE(SendMessageW(st, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.text)));
        EXPECT_EQ(GetUpdateRect(st, nullptr, FALSE) != FALSE, c.repaints)
            << (c.text ? c.text : L"(null)");
        wchar_t now[16]{};
        GetWindowTextW(st, now, 16);
        EXPECT_STREQ(now, c.text ? c.text : L"");
    }
}

TEST_F(Controls, RepeatedPrintsFreeWhatTheyMade) {
    HWND label = Child(L"Static", L"CPU 45℃\t3%", SS_LEFT, 80, 30);
    HWND button = Child(L"Button", L"X", BS_FLAT, 20, 20, 100, 10);
    const std::size_t before = win32::GdiObjectCount();
    for (int i = 0; i < 200; ++i) {
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, 80, 30);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SendMessageW(label, WM_PRINT, reinterpret_cast<WPARAM>(dc), kPrintAll);
        SendMessageW(button, WM_PRINT, reinterpret_cast<WPARAM>(dc), kPrintAll);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    EXPECT_EQ(win32::GdiObjectCount(), before);
}

TEST_F(Controls, AMessageBoxShowsItsTextAndItsOkButton) {
    std::thread reader([&] {
        if (!screen.WaitForMessageBoxes(1, 20000))
            return;
        const HWND box = screen.MessageBoxes()[0].box;
        auto within = [&](HWND child) {
            RECT r{};
            GetWindowRect(child, &r);
            POINT tl{r.left, r.top}, br{r.right, r.bottom};
            ScreenToClient(box, &tl);
            ScreenToClient(box, &br);
            return RECT{tl.x, tl.y, br.x, br.y};
        };
        RECT client{};
        GetClientRect(box, &client);
        Surface s(client.right, client.bottom, RGB(1, 2, 3), Kind::Compatible);
        // Painted by the box's own thread, inside its modal loop.
        SendMessageW(box, WM_PRINT, reinterpret_cast<WPARAM>(s.Dc()), kPrintAll);
        const RECT text = within(GetDlgItem(box, 0xFFFF));
        const RECT ok = within(GetDlgItem(box, IDOK));
        EXPECT_EQ(s.CountOf(s.All(), RGB(1, 2, 3)), 0);
        EXPECT_EQ(s.At(0, 0), GetSysColor(COLOR_3DFACE));
        EXPECT_GT(s.CountNear(text, GetSysColor(COLOR_WINDOWTEXT)), 20);
        EXPECT_EQ(s.At(ok.left, ok.top), RGB(0, 0, 0)); // the default button's frame
        EXPECT_EQ(s.At(ok.right - 1, ok.bottom - 1), RGB(0, 0, 0));
        const RECT caption{ok.left + 3, ok.top + 3, ok.right - 3, ok.bottom - 3};
        EXPECT_GT(s.CountNear(caption, GetSysColor(COLOR_BTNTEXT)), 5);
        screen.AnswerMessageBox(box);
    });
    EXPECT_EQ(MessageBoxW(nullptr, L"OpenHardwareMonitorLib.dll not found.", L"Tarvik", MB_OK),
              IDOK);
    reader.join();
}

} // namespace
