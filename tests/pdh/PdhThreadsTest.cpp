#include "PdhFixture.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace pdhtest;
using namespace std::chrono_literals;

namespace {

// Two queries, each with its own fixture tree and clock, collected and
// formatted on two threads at once: each sees exactly its own rates.
TEST(PdhThreads, QueriesOnTwoThreadsAreIndependent) {
    struct Side {
        TempTree tree{"desktop"};
        ManualClock clock;
        PDH_HQUERY query = nullptr;
        PDH_HCOUNTER pages = nullptr;
        PDH_HCOUNTER queue = nullptr;
        std::vector<double> values;
    };
    Side sides[2];
    for (Side& side : sides) {
        PdhSetRootDirectory(side.tree.Root().c_str());
        PdhSetClock(side.clock.Function());
        ASSERT_EQ(PdhOpenQueryW(nullptr, 0, &side.query), 0);
        ASSERT_EQ(PdhAddCounterW(side.query, kPages, 0, &side.pages), 0);
        ASSERT_EQ(PdhAddCounterW(side.query, kQueue, 0, &side.queue), 0);
    }
    PdhSetRootDirectory(nullptr);
    PdhSetClock({});

    // Side 0 takes 2 s per interval, side 1 takes 4 s, over the same samples.
    auto run = [](Side& side, std::chrono::milliseconds step) {
        for (int i = 0; i < 50; ++i) {
            side.tree.Overlay(i % 2 == 0 ? "desktop" : "desktop-later");
            side.clock.Advance(step);
            if (PdhCollectQueryData(side.query) != 0)
                return;
            if (i % 2 == 1)
                side.values.push_back(Format(side.pages).value + Format(side.queue).value);
        }
    };
    std::thread other(run, std::ref(sides[1]), 4000ms);
    run(sides[0], 2000ms);
    other.join();

    ASSERT_EQ(sides[0].values.size(), 25u);
    ASSERT_EQ(sides[1].values.size(), 25u);
    for (double v : sides[0].values)
        EXPECT_DOUBLE_EQ(v, 100.0 + 1.0);
    for (double v : sides[1].values)
        EXPECT_DOUBLE_EQ(v, 50.0 + 0.5);
    for (Side& side : sides)
        EXPECT_EQ(PdhCloseQuery(side.query), 0);
}

} // namespace
