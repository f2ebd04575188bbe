#include "TestTree.h"

#include <hwlib/Computer.h>

#include <gtest/gtest.h>

#include <map>

using namespace hwlib_test;

namespace {

// /proc/stat with user = busy and idle = idle for the CPUs given; the
// others are offline.
std::string Stat(const std::map<int, std::pair<int, int>>& cpus) {
    std::string text = "cpu  0 0 0 0 0 0 0 0 0 0\n";
    for (const auto& [cpu, ticks] : cpus)
        text += "cpu" + std::to_string(cpu) + " " + std::to_string(ticks.first) + " 0 0 " +
                std::to_string(ticks.second) + " 0 0 0 0 0 0\n";
    return text + "intr 1 2 3\nctxt 4\n";
}

class Load : public ::testing::Test {
protected:
    Load() : m_tree("amd-desktop-5800x") {
        m_computer.CPUEnabled(true);
        m_computer.Open();
        m_cpu = m_computer.Hardware().at(0);
    }
    // Every CPU at the same counters, with cpu 0 and 8 (core #1) changed.
    void Sample(int busy, int idle, std::map<int, std::pair<int, int>> changes = {},
                std::initializer_list<int> offline = {}) {
        std::map<int, std::pair<int, int>> cpus;
        for (int cpu = 0; cpu < 16; ++cpu)
            cpus[cpu] = {busy, idle};
        for (const auto& [cpu, ticks] : changes)
            cpus[cpu] = ticks;
        for (int cpu : offline)
            cpus.erase(cpu);
        m_tree.Write("/proc/stat", Stat(cpus));
        m_cpu->Update();
    }
    std::optional<float> Core(int n) const { return m_cpu->Sensors()[n]->Value(); }
    std::optional<float> Total() const { return m_cpu->Sensors()[8]->Value(); }

    TestTree m_tree;
    ohm::Computer m_computer;
    ohm::IHardware* m_cpu = nullptr;
};

} // namespace

TEST_F(Load, FirstSampleIsSinceBootThenDeltas) {
    Sample(100, 300);
    EXPECT_FLOAT_EQ(*Core(0), 25.0f);
    EXPECT_FLOAT_EQ(*Total(), 25.0f);

    // Core #1's two threads: one fully busy for 100 ticks, one idle.
    Sample(100, 300, {{0, {200, 300}}, {8, {100, 400}}});
    EXPECT_FLOAT_EQ(*Core(0), 50.0f);
    EXPECT_TRUE(Core(1));             // no tick passed on core #2:
    EXPECT_FLOAT_EQ(*Core(1), 25.0f); // its last value stands
    EXPECT_FLOAT_EQ(*Total(), 50.0f);

    // Nothing elapsed anywhere: every value stays.
    Sample(100, 300, {{0, {200, 300}}, {8, {100, 400}}});
    EXPECT_FLOAT_EQ(*Core(0), 50.0f);
    EXPECT_FLOAT_EQ(*Total(), 50.0f);
}

TEST_F(Load, CountersThatStepBackDoNotWrap) {
    Sample(100, 300);
    // iowait is known to step backwards a little.
    Sample(100, 300, {{0, {150, 290}}, {8, {150, 300}}});
    EXPECT_FLOAT_EQ(*Core(0), 100.0f);
}

TEST_F(Load, CpusGoingOfflineAndComingBack) {
    Sample(100, 100);
    // cpu 8 (core #1's second thread) and both threads of core #2 go offline.
    Sample(200, 100, {{0, {100, 200}}}, {8, 1, 9});
    EXPECT_FLOAT_EQ(*Core(0), 0.0f); // over cpu 0 alone
    EXPECT_FALSE(Core(1));           // a core with no thread online has no load
    EXPECT_TRUE(Total());

    // They come back with counters that ran on: their first interval is not
    // measured, the rest of the machine is.
    Sample(300, 100, {{0, {100, 300}}, {8, {5000, 5000}}, {1, {9000, 0}}, {9, {9000, 0}}});
    EXPECT_FLOAT_EQ(*Core(0), 0.0f);
    EXPECT_FALSE(Core(1));
    EXPECT_FLOAT_EQ(*Total(), 100.0f * 1200 / 1300); // 12 busy CPUs, cpu 0 idle

    Sample(300, 100, {{0, {100, 400}}, {8, {5100, 5000}}, {1, {9000, 100}}, {9, {9000, 100}}});
    EXPECT_FLOAT_EQ(*Core(0), 50.0f);
    EXPECT_FLOAT_EQ(*Core(1), 0.0f);
}

TEST_F(Load, StatReadOncePerPassForAllPackages) {
    // Two packages on one /proc/stat: each sees the same sample per pass.
    TestTree tree;
    for (int cpu = 0; cpu < 4; ++cpu) {
        const std::string base = "/sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/topology/";
        tree.Write(base + "physical_package_id", std::to_string(cpu / 2) + "\n");
        tree.Write(base + "core_id", std::to_string(cpu % 2) + "\n");
    }
    tree.Write("/proc/cpuinfo", "processor\t: 0\nmodel name\t: Example CPU\n");
    tree.Write("/proc/stat", Stat({{0, {1, 1}}, {1, {1, 1}}, {2, {3, 1}}, {3, {3, 1}}}));
    ohm::Computer computer;
    computer.CPUEnabled(true);
    computer.Open();
    const auto items = computer.Hardware();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]->Name(), "Example CPU");
    EXPECT_EQ(items[1]->Name(), "Unknown Processor");
    for (auto* item : items)
        item->Update();
    EXPECT_FLOAT_EQ(*items[0]->Sensors()[2]->Value(), 50.0f);
    EXPECT_FLOAT_EQ(*items[1]->Sensors()[2]->Value(), 75.0f);
}
