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
