// A skin resource that is missing or damaged: the dialog still runs, at
// 0 × 0, shows nothing, fades through, and ends normally without leaving a
// window or a GDI object behind.

#include <DialogTemplateBuilder.h>
#include <Eventually.h>
#include <Watchdog.h>
#include <chrono>
#include <gtest/gtest.h>
#include <mfc/WinApp.h>
#include <mutex>
#include <raster/Png.h>
#include <screen/HeadlessScreen.h>
#include <skin/ImgDialogBase.h>
#include <thread>
#include <vector>
#include <win32/Gdi.h>
#include <win32/ResourceTable.h>
#include <win32/Screen.h>
#include <win32/User.h>

namespace {

using testing_support::DialogTemplateBuilder;

constexpr UINT kDialog = 700;
constexpr UINT kMissing = 710, kTruncated = 711, kSignatureOnly = 712, kNoPicture = 713,
               kEmpty = 714;
constexpr std::uint32_t kDesktop = 0xFF204060;

CWinApp g_app;

std::vector<std::uint8_t> GoodPng() {
    std::vector<std::uint32_t> px(40 * 50, 0xFF6496C8);
    return *raster::EncodePng(raster::ConstPixelView::TopDown(px.data(), 40, 50),
                              raster::Alpha::Straight);
}

void RegisterTestResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        static const auto good = GoodPng();
        static const std::vector<std::uint8_t> truncated(good.begin(),
                                                         good.begin() + good.size() / 2);
        static const std::vector<std::uint8_t> signature(good.begin(), good.begin() + 8);
        static const std::vector<std::uint8_t> text{'n', 'o', ' ', 'p', 'n', 'g'};
        static const auto dialog =
            DialogTemplateBuilder(WS_POPUP | WS_VISIBLE | DS_SETFONT, 0, 0, 100, 100)
                .Item(0x82, 10, L"panel", WS_CHILD | WS_VISIBLE, 4, 4, 40, 10)
                .Item(0x80, IDCANCEL, L"X", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 4, 20, 12, 11)
                .Bytes();
        static const win32::ResourceEntry entries[] = {
            {RT_DIALOG, kDialog, 2052, dialog.data(), static_cast<DWORD>(dialog.size())},
            {L"PNG", kTruncated, 2052, truncated.data(), static_cast<DWORD>(truncated.size())},
            {L"PNG", kSignatureOnly, 2052, signature.data(), static_cast<DWORD>(signature.size())},
            {L"PNG", kNoPicture, 2052, text.data(), static_cast<DWORD>(text.size())},
            {L"PNG", kEmpty, 2052, good.data(), 0},
        };
        win32::RegisterResources(nullptr, entries, std::size(entries));
    });
}

class CFaultySkinDlg : public CImgDialogBase {
public:
    explicit CFaultySkinDlg(UINT nSkin)
        : CImgDialogBase(kDialog, nSkin, L"PNG", nullptr, nullptr) {}
    int Alpha() const { return m_nAlpha.load(); }
};

HWND TheDialog() {
    for (HWND hwnd : win32::TopLevelWindowsBottomUp())
        if (GetDlgItem(hwnd, 10))
            return hwnd;
    return nullptr;
}

HWND DisplayOf(HWND dialog) {
    for (HWND hwnd : win32::TopLevelWindowsBottomUp())
        if (GetWindow(hwnd, GW_OWNER) == dialog)
            return hwnd;
    return nullptr;
}

using testing_support::Eventually;

TEST(SkinFaults, ADialogWithoutAPictureRunsUnseenAndEndsNormally) {
    testing_support::Watchdog watchdog;
    screen::HeadlessScreen screen(300, 300, kDesktop);
    RegisterTestResources();
    const std::pair<UINT, const char*> cases[] = {{kMissing, "missing"},
                                                  {kTruncated, "truncated"},
                                                  {kSignatureOnly, "signature only"},
                                                  {kNoPicture, "not a picture"},
                                                  {kEmpty, "empty"}};
    for (auto [skin, what] : cases) {
        SCOPED_TRACE(what);
        const std::size_t gdiBefore = win32::GdiObjectCount();
        RECT dialogRect{0, 0, 5, 5}, fakeRect{0, 0, 5, 5};
        bool visible = false, faded = false, pictured = true, hasDisplay = false;
        std::vector<std::uint32_t> desktop;
        INT_PTR result = 0;
        {
            CFaultySkinDlg dlg(skin);
            std::thread user([&] {
                HWND h = nullptr;
                if (!Eventually([&] { return (h = TheDialog()) && IsWindowVisible(h); }))
                    return;
                visible = true;
                faded = Eventually([&] { return dlg.Alpha() == 255; });
                // A collector's write still reaches the panel and composes.
                SetDlgItemTextW(h, 10, L"45℃");
                GetWindowRect(h, &dialogRect);
                HWND fake = DisplayOf(h);
                hasDisplay = fake != nullptr;
                GetWindowRect(fake, &fakeRect);
                win32::WindowPicture picture;
                pictured = win32::GetWindowPicture(fake, picture) && picture.perPixelAlpha;
                desktop = screen.Compose();
                PostMessageW(h, WM_CLOSE, 0, 0);
            });
            result = dlg.DoModal();
            user.join();
        }
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_TRUE(visible);
        EXPECT_TRUE(faded);
        EXPECT_TRUE(hasDisplay);
        EXPECT_EQ(dialogRect.right - dialogRect.left, 0);
        EXPECT_EQ(dialogRect.bottom - dialogRect.top, 0);
        EXPECT_EQ(fakeRect.right - fakeRect.left, 0);
        EXPECT_EQ(fakeRect.bottom - fakeRect.top, 0);
        EXPECT_FALSE(pictured); // nothing was ever pushed
        EXPECT_EQ(desktop, std::vector<std::uint32_t>(300 * 300, kDesktop));
        EXPECT_TRUE(win32::TopLevelWindowsBottomUp().empty());
        EXPECT_EQ(win32::GdiObjectCount(), gdiBefore);
    }
}

} // namespace
