#include "SpawnRunner.h"

#include <gtest/gtest.h>

using hwlib::SpawnRunner;
using Status = OpenHardwareMonitor::Hardware::ProgramResult::Status;
using namespace std::chrono_literals;

TEST(SpawnRunner, RunsWithoutAShellAndBoundsTimeAndOutput) {
    SpawnRunner runner;
    auto echo = runner.Run({"echo", "a b", "$HOME;", "c"}, 5s, 1024);
    EXPECT_EQ(echo.status, Status::Exited);
    EXPECT_EQ(echo.exitCode, 0);
    EXPECT_EQ(echo.output, "a b $HOME; c\n");

    auto failing = runner.Run({"false"}, 5s, 1024);
    EXPECT_EQ(failing.status, Status::Exited);
    EXPECT_EQ(failing.exitCode, 1);

    EXPECT_EQ(runner.Run({"no-such-program-here"}, 5s, 1024).status, Status::NotFound);
    EXPECT_EQ(runner.Run({"/bin/echo"}, 5s, 1024).status, Status::NotFound); // bare names only
    EXPECT_EQ(runner.Run({"sleep", "30"}, 100ms, 1024).status, Status::TimedOut);
    auto flood = runner.Run({"yes"}, 5s, 64 * 1024);
    EXPECT_EQ(flood.status, Status::TooMuchOutput);
    EXPECT_TRUE(flood.output.empty());
}

// The bound holds however the program misbehaves: it closes its output and
// lingers, or leaves a child behind that keeps the output open.
TEST(SpawnRunner, TheTimeBoundHoldsAfterTheOutputEndsOrIsHeldOpen) {
    SpawnRunner runner;
    for (const char* script : {"exec >&-; sleep 5", "sleep 5 & echo started"}) {
        const auto start = std::chrono::steady_clock::now();
        const auto run = runner.Run({"sh", "-c", script}, 200ms, 1024);
        EXPECT_EQ(run.status, Status::TimedOut) << script;
        EXPECT_TRUE(run.output.empty()) << script;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << script;
    }
}
