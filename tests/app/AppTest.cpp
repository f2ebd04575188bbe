#include "AppRun.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <win32/Kernel.h>

namespace {

using namespace app_test;
namespace fs = std::filesystem;

fs::path ExecutableFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

// A folder without the hardware-monitoring library in it.
struct EmptyCurrentDirectory {
    fs::path before = fs::current_path();
    fs::path dir = fs::temp_directory_path() / ("tarvik-app-" + std::to_string(::getpid()));
    EmptyCurrentDirectory() {
        fs::create_directories(dir);
        fs::current_path(dir);
    }
    ~EmptyCurrentDirectory() {
        fs::current_path(before);
        fs::remove_all(dir);
    }
};

TEST(App, WithoutTheLibraryTheBoxComesFirstThenTheDialogRunsAndEscapeEndsIt) {
    EmptyCurrentDirectory cwd;
    screen::HeadlessScreen screen;
    HWND dialog = nullptr;
    std::wstring vendorPanelWhileBoxOpen;
    std::wstring cpuPanelAtEnd;
    RunApp(screen, [&] {
        ASSERT_TRUE(screen.WaitForMessageBoxes(1, 20000));
        const auto box = screen.MessageBoxes()[0];
        dialog = MainDialog();
        ASSERT_NE(dialog, nullptr);
        // The other collectors start only once the box is answered.
        vendorPanelWhileBoxOpen = Panel(dialog, IDC_CPU_TEMP);
        screen.AnswerMessageBox(box.box);
        EXPECT_TRUE(Eventually([&] { return Panel(dialog, IDC_CPU_TEMP) != L"CPU Temp."; }));
        cpuPanelAtEnd = Panel(dialog, IDC_CPU);
        SetForegroundWindow(dialog);
        win32::InjectKey(VK_ESCAPE, true);
        win32::InjectKey(VK_ESCAPE, false);
    });
    const auto boxes = screen.MessageBoxes();
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"OpenHardwareMonitorLib.dll not found.");
    EXPECT_EQ(boxes[0].caption, L"app_tests"); // the executable's name
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(vendorPanelWhileBoxOpen, L"CPU Temp.");
    EXPECT_EQ(cpuPanelAtEnd, L"CPU"); // no hardware-monitor collector
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(MainDialog() == nullptr);
}

TEST(App, TheDialogTakesTheSkinsSizeUnderItsLayeredClickThroughDisplayWindow) {
    EmptyCurrentDirectory cwd;
    screen::HeadlessScreen screen;
    RunApp(screen, [&] {
        ASSERT_TRUE(screen.WaitForMessageBoxes(1, 20000));
        screen.AnswerMessageBox(screen.MessageBoxes()[0].box);
        HWND dialog = MainDialog();
        ASSERT_NE(dialog, nullptr);
        RECT rd{};
        GetWindowRect(dialog, &rd);
        EXPECT_EQ(rd.right - rd.left, 195);
        EXPECT_EQ(rd.bottom - rd.top, 413);
        EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_LAYERED);
        BYTE alpha = 0;
        DWORD flags = 0;
        EXPECT_TRUE(GetLayeredWindowAttributes(dialog, nullptr, &alpha, &flags));
        EXPECT_EQ(alpha, 5);
        EXPECT_EQ(flags, LWA_ALPHA);
        HWND display = DisplayWindow(dialog);
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(display, GWL_EXSTYLE)) &
                      (WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT),
                  WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT);
        RECT rf{};
        GetWindowRect(display, &rf);
        EXPECT_EQ(rf.left, rd.left);
        EXPECT_EQ(rf.top, rd.top);
        EXPECT_EQ(rf.right - rf.left, 195);
        EXPECT_EQ(rf.bottom - rf.top, 413);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(MainDialog(), nullptr);
}

TEST(App, FromAFolderWithTheLibraryTheHardwareCollectorFillsThePanels) {
    const fs::path before = fs::current_path();
    fs::current_path(ExecutableFolder()); // OpenHardwareMonitorLib.dll lies here
    screen::HeadlessScreen screen;
    std::wstring cpu, mem;
    RunApp(screen, [&] {
        HWND dialog = nullptr;
        ASSERT_TRUE(Eventually([&] { return (dialog = MainDialog()) != nullptr; }));
        ASSERT_TRUE(Eventually([&] { return Panel(dialog, IDC_MEM) != L"MEM"; }));
        cpu = Panel(dialog, IDC_CPU);
        mem = Panel(dialog, IDC_MEM);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    fs::current_path(before);
    EXPECT_TRUE(screen.MessageBoxes().empty());
    EXPECT_NE(cpu.find(L"CPU\t"), std::wstring::npos) << std::string(cpu.begin(), cpu.end());
    EXPECT_EQ(mem.rfind(L"内存  \n", 0), 0u);
}

TEST(App, EnterShowsTheFullReportAndTheDialogKeepsRunning) {
    const fs::path before = fs::current_path();
    fs::current_path(ExecutableFolder());
    screen::HeadlessScreen screen;
    bool aliveAfter = false;
    RunApp(screen, [&] {
        HWND dialog = nullptr;
        ASSERT_TRUE(Eventually([&] { return (dialog = MainDialog()) != nullptr; }));
        ASSERT_TRUE(Eventually([&] { return IsWindowVisible(dialog) != FALSE; }));
        for (int press = 1; press <= 2; ++press) {
            SetForegroundWindow(dialog);
            win32::InjectKey(VK_RETURN, true);
            win32::InjectKey(VK_RETURN, false);
            ASSERT_TRUE(screen.WaitForMessageBoxes(static_cast<std::size_t>(press), 20000));
            screen.AnswerMessageBox(screen.MessageBoxes().back().box);
        }
        aliveAfter = IsWindow(dialog) != FALSE;
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    fs::current_path(before);
    const auto boxes = screen.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u); // two presses, two independent reports
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, L"app_tests");
        EXPECT_EQ(box.type, MB_OK); // an OK button and no icon
        EXPECT_NE(box.text.find(L"Mainboard Manufacturer:"), std::wstring::npos);
        EXPECT_NE(box.text.find(L"\r\n"), std::wstring::npos);
    }
    EXPECT_TRUE(aliveAfter);
}

} // namespace
