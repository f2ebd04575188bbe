#include "PdhFixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace pdhtest;
using namespace std::chrono_literals;

namespace {

class Pdh : public ::testing::Test {
protected:
    // Opens a query over `tree` with the manual clock and both counters.
    void Open(const TempTree& tree) {
        PdhSetRootDirectory(tree.Root().c_str());
        PdhSetClock(clock.Function());
        ASSERT_EQ(PdhOpenQueryW(nullptr, 0, &query), 0);
        PdhSetRootDirectory(nullptr);
        PdhSetClock({});
        ASSERT_EQ(PdhAddCounterW(query, kPages, 0, &pages), 0);
        ASSERT_EQ(PdhAddCounterW(query, kQueue, 0, &queue), 0);
    }
    void TearDown() override {
        if (query)
            PdhCloseQuery(query);
    }

    ManualClock clock;
    PDH_HQUERY query = nullptr;
    PDH_HCOUNTER pages = nullptr;
    PDH_HCOUNTER queue = nullptr;
};

std::string DiskLine(const char* name, std::uint64_t weightedMs) {
    return std::string("   8       0 ") + name + " 1 0 8 1 0 0 0 0 0 1 " +
           std::to_string(weightedMs) + " 0 0 0 0\n";
}

TEST_F(Pdh, PathsOtherThanTheTwoAreRefusedWithTheReason) {
    TempTree tree;
    PdhSetRootDirectory(tree.Root().c_str());
    ASSERT_EQ(PdhOpenQueryW(nullptr, 0, &query), 0);
    PdhSetRootDirectory(nullptr);
    const std::pair<const wchar_t*, PDH_STATUS> cases[] = {
        {kPages, 0},
        {kQueue, 0},
        {L"", PDH_CSTATUS_NO_COUNTERNAME},
        {L"Memory\\Pages/sec", PDH_CSTATUS_BAD_COUNTERNAME},
        {L"\\Memory", PDH_CSTATUS_BAD_COUNTERNAME},
        {L"\\Memory\\", PDH_CSTATUS_BAD_COUNTERNAME},
        {L"\\Memory\\Pages/sec\\x", PDH_CSTATUS_BAD_COUNTERNAME},
        {L"\\PhysicalDisk(_Total\\Avg. Disk Queue Length", PDH_CSTATUS_BAD_COUNTERNAME},
        {L"\\PhysicalDisk_Total)\\Avg. Disk Queue Length", PDH_CSTATUS_BAD_COUNTERNAME},
        {L"\\(_Total)\\Avg. Disk Queue Length", PDH_CSTATUS_BAD_COUNTERNAME},
        {L"\\\\otherhost\\Memory\\Pages/sec", PDH_CSTATUS_NO_MACHINE},
        {L"\\Processor(_Total)\\% Processor Time", PDH_CSTATUS_NO_OBJECT},
        {L"\\memory\\pages/sec", PDH_CSTATUS_NO_OBJECT},
        {L"\\Memory\\Available Bytes", PDH_CSTATUS_NO_COUNTER},
        {L"\\PhysicalDisk(_Total)\\Disk Reads/sec", PDH_CSTATUS_NO_COUNTER},
        {L"\\PhysicalDisk(0 C:)\\Avg. Disk Queue Length", PDH_CSTATUS_NO_INSTANCE},
        {L"\\PhysicalDisk\\Avg. Disk Queue Length", PDH_CSTATUS_NO_INSTANCE},
        {L"\\Memory(_Total)\\Pages/sec", PDH_CSTATUS_NO_INSTANCE},
    };
    for (const auto& [path, status] : cases) {
        PDH_HCOUNTER counter = reinterpret_cast<PDH_HCOUNTER>(std::uintptr_t{1});
        EXPECT_EQ(PdhAddCounterW(query, path, 0, &counter), status) << path;
        EXPECT_EQ(counter == nullptr, status != 0) << path;
    }
    EXPECT_EQ(PdhAddCounterW(query, nullptr, 0, &pages), PDH_INVALID_ARGUMENT);
    EXPECT_EQ(PdhAddCounterW(query, kPages, 0, nullptr), PDH_INVALID_ARGUMENT);
}

TEST_F(Pdh, RatesNeedTwoCollections) {
    TempTree tree("desktop");
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(which);
        Open(tree);
        const PDH_HCOUNTER counter = which == 0 ? pages : queue;
        EXPECT_EQ(Format(counter).status, PDH_INVALID_DATA);
        ASSERT_EQ(PdhCollectQueryData(query), 0);
        const Result first = Format(counter);
        EXPECT_EQ(first.status, PDH_INVALID_DATA);
        EXPECT_EQ(first.cstatus, static_cast<DWORD>(PDH_CSTATUS_INVALID_DATA));
        // Two collections at the same instant give no rate either.
        ASSERT_EQ(PdhCollectQueryData(query), 0);
        EXPECT_EQ(Format(counter).status, PDH_INVALID_DATA);
        clock.Advance(1000ms);
        ASSERT_EQ(PdhCollectQueryData(query), 0);
        EXPECT_EQ(Format(counter).status, 0);
        PdhCloseQuery(query);
        query = nullptr;
    }
}

TEST_F(Pdh, ExactRatesOverTwoFixtureSamples) {
    TempTree tree("desktop");
    Open(tree);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    tree.Overlay("desktop-later");
    clock.Advance(2000ms);
    ASSERT_EQ(PdhCollectQueryData(query), 0);

    // 150 major faults + 50 pages swapped out in 2 s.
    const Result paging = Format(pages);
    EXPECT_EQ(paging.status, 0);
    EXPECT_EQ(paging.cstatus, static_cast<DWORD>(PDH_CSTATUS_VALID_DATA));
    EXPECT_DOUBLE_EQ(paging.value, 100.0);
    // sda +1500 and nvme0n1 +500 weighted ms in 2000 ms; the partition, the
    // loop device and the device mapper grew far more and must not count.
    EXPECT_DOUBLE_EQ(Format(queue).value, 1.0);

    DWORD type = 0;
    PDH_FMT_COUNTERVALUE value{};
    EXPECT_EQ(PdhGetFormattedCounterValue(pages, PDH_FMT_LARGE | PDH_FMT_1000, &type, &value), 0);
    EXPECT_EQ(value.largeValue, 100000);
    EXPECT_EQ(type, PERF_COUNTER_COUNTER);
    EXPECT_EQ(PdhGetFormattedCounterValue(queue, PDH_FMT_LONG | PDH_FMT_NOSCALE, &type, &value), 0);
    EXPECT_EQ(value.longValue, 1);
    EXPECT_EQ(type, PERF_COUNTER_100NS_QUEUELEN_TYPE);
    EXPECT_EQ(PdhGetFormattedCounterValue(queue, 0, nullptr, &value), PDH_INVALID_ARGUMENT);
    EXPECT_EQ(PdhGetFormattedCounterValue(queue, PDH_FMT_LONG | PDH_FMT_DOUBLE, nullptr, &value),
              PDH_INVALID_ARGUMENT);
    EXPECT_EQ(PdhGetFormattedCounterValue(queue, PDH_FMT_DOUBLE, nullptr, nullptr),
              PDH_INVALID_ARGUMENT);

    // The next interval is measured from the second sample: nothing moved.
    clock.Advance(1000ms);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    EXPECT_DOUBLE_EQ(Format(pages).value, 0.0);
    EXPECT_DOUBLE_EQ(Format(queue).value, 0.0);
}

TEST_F(Pdh, CountersThatGoBackwards) {
    struct Case {
        const char* what;
        std::uint64_t before, after;
        double expected; // queue length over 1000 ms
    };
    const Case cases[] = {
        {"32-bit wrap", 4294967000ull, 200, 0.496},
        {"reset to a smaller value", 5000, 100, 0.0},
        {"wrap that would mean an absurd queue", 3000000000ull, 10, 0.0},
        {"64-bit counter going back", 1ull << 40, 5, 0.0},
        {"plain growth", 1000, 1250, 0.25},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempTree tree;
        tree.Write("sys/block/sda/device/model", "disk\n");
        tree.Write("proc/diskstats", DiskLine("sda", c.before));
        Open(tree);
        ASSERT_EQ(PdhCollectQueryData(query), 0);
        tree.Write("proc/diskstats", DiskLine("sda", c.after));
        clock.Advance(1000ms);
        ASSERT_EQ(PdhCollectQueryData(query), 0);
        const Result result = Format(queue);
        EXPECT_EQ(result.status, 0);
        EXPECT_NEAR(result.value, c.expected, 1e-12);
        PdhCloseQuery(query);
        query = nullptr;
    }
}

TEST_F(Pdh, DisksCountOnlyWhenInBothSamples) {
    TempTree tree;
    tree.Write("sys/block/sda/device/model", "a\n");
    tree.Write("sys/block/sdb/device/model", "b\n");
    tree.Write("proc/diskstats", DiskLine("sda", 1000));
    Open(tree);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    // sdb appears with a large counter: it has no earlier sample to grow from.
    tree.Write("proc/diskstats", DiskLine("sda", 1100) + DiskLine("sdb", 900000));
    clock.Advance(1000ms);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    EXPECT_DOUBLE_EQ(Format(queue).value, 0.1);
    // sda vanishes; sdb alone grows.
    tree.Write("proc/diskstats", DiskLine("sdb", 900500));
    clock.Advance(1000ms);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    EXPECT_DOUBLE_EQ(Format(queue).value, 0.5);
    // No disk left: an idle queue, not a failure.
    tree.Write("proc/diskstats", "");
    clock.Advance(1000ms);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    EXPECT_DOUBLE_EQ(Format(queue).value, 0.0);
}

TEST_F(Pdh, MissingSourcesAreTheCounterNotTheQuery) {
    TempTree tree("desktop");
    tree.Remove("proc/vmstat");
    Open(tree);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    tree.Overlay("desktop-later");
    tree.Remove("proc/vmstat");
    clock.Advance(2000ms);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    EXPECT_EQ(Format(pages).status, PDH_INVALID_DATA);
    EXPECT_DOUBLE_EQ(Format(queue).value, 1.0);

    // vmstat comes back: a rate again after two collections that read it.
    tree.Overlay("desktop");
    clock.Advance(1000ms);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    EXPECT_EQ(Format(pages).status, PDH_INVALID_DATA);
    tree.Overlay("desktop-later");
    clock.Advance(1000ms);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    EXPECT_DOUBLE_EQ(Format(pages).value, 200.0);

    // A garbled vmstat is as good as none.
    tree.Write("proc/vmstat", "pgmajfault lots\npswpout 7\n");
    clock.Advance(1000ms);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    EXPECT_EQ(Format(pages).status, PDH_INVALID_DATA);

    // With neither source the collection fails.
    tree.Remove("proc");
    clock.Advance(1000ms);
    EXPECT_EQ(PdhCollectQueryData(query), PDH_NO_DATA);
    EXPECT_EQ(Format(queue).status, PDH_INVALID_DATA);
}

TEST_F(Pdh, BadHandles) {
    PDH_HQUERY none = nullptr;
    EXPECT_EQ(PdhOpenQueryW(L"C:\\log.blg", 0, &none), PDH_INVALID_DATASOURCE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(PdhOpenQueryW(nullptr, 0, nullptr), PDH_INVALID_ARGUMENT);

    TempTree tree("desktop");
    Open(tree);
    const PDH_HQUERY madeUp = reinterpret_cast<PDH_HQUERY>(std::uintptr_t{0xDEADBEEF});
    const PDH_HQUERY counterAsQuery = reinterpret_cast<PDH_HQUERY>(pages);
    const PDH_HCOUNTER queryAsCounter = reinterpret_cast<PDH_HCOUNTER>(query);
    for (PDH_HQUERY bad : {PDH_HQUERY{}, madeUp, counterAsQuery}) {
        PDH_HCOUNTER counter = nullptr;
        EXPECT_EQ(PdhAddCounterW(bad, kPages, 0, &counter), PDH_INVALID_HANDLE);
        EXPECT_EQ(PdhCollectQueryData(bad), PDH_INVALID_HANDLE);
        EXPECT_EQ(PdhCloseQuery(bad), PDH_INVALID_HANDLE);
    }
    for (PDH_HCOUNTER bad : {PDH_HCOUNTER{}, queryAsCounter})
        EXPECT_EQ(Format(bad).status, PDH_INVALID_HANDLE);

    // A closed query takes its counters with it.
    ASSERT_EQ(PdhCloseQuery(query), 0);
    EXPECT_EQ(PdhCloseQuery(query), PDH_INVALID_HANDLE);
    EXPECT_EQ(PdhCollectQueryData(query), PDH_INVALID_HANDLE);
    EXPECT_EQ(Format(pages).status, PDH_INVALID_HANDLE);
    EXPECT_EQ(Format(queue).status, PDH_INVALID_HANDLE);
    query = nullptr;

    // A query without counters has nothing to collect.
    PDH_HQUERY empty = nullptr;
    ASSERT_EQ(PdhOpenQueryW(nullptr, 0, &empty), 0);
    EXPECT_EQ(PdhCollectQueryData(empty), PDH_NO_DATA);
    EXPECT_EQ(PdhCloseQuery(empty), 0);
}

} // namespace
