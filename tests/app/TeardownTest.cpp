// Built into a folder of its own beside a slow stand-in for the vendor library,
// which the dialog loads by its bare name from the executable's folder.

#include "AppRun.h"

#include <gtest/gtest.h>
#include <string>
#include <win32/Kernel.h>

namespace {

using namespace app_test;

TEST(Teardown, FinitRunsOnlyOnceTheVendorCollectorHasEnded) {
    screen::HeadlessScreen screen;
    const HMODULE vendor = LoadLibraryA("ComputerZ_HardwareDll.dll");
    ASSERT_NE(vendor, nullptr);
    const auto inside = reinterpret_cast<int (*)()>(GetProcAddress(vendor, "SlowInside"));
    const auto takeCalls =
        reinterpret_cast<int (*)(char*, int)>(GetProcAddress(vendor, "SlowTakeCalls"));
    ASSERT_TRUE(inside && takeCalls);

    RunApp(screen, [&] {
        // No hardware-monitoring library here: answer its box first.
        ASSERT_TRUE(screen.WaitForMessageBoxes(1, 20000));
        screen.AnswerMessageBox(screen.MessageBoxes()[0].box);
        // Close while the collector is in the middle of a reading.
        ASSERT_TRUE(Eventually([&] { return inside() > 0; }, 20000));
        SetForegroundWindow(MainDialog());
        win32::InjectKey(VK_ESCAPE, true);
        win32::InjectKey(VK_ESCAPE, false);
    });

    char calls[4096]{};
    takeCalls(calls, sizeof calls);
    const std::string recorded = calls;
    ASSERT_GE(recorded.size(), 6u) << recorded;
    EXPECT_EQ(recorded.rfind("Init0 Init1 1", 0), 0u) << recorded;
    // "Finit" came last, and no reading was being taken when it ran.
    EXPECT_EQ(recorded.substr(recorded.size() - 6), " Finit") << recorded;
    EXPECT_EQ(recorded.find("Finit"), recorded.size() - 5) << recorded;
    EXPECT_EQ(inside(), 0);
    FreeLibrary(vendor);
}

} // namespace
