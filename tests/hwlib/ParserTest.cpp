#include "CpuTimes.h"
#include "CpuTopology.h"
#include "Drive.h"
#include "Json.h"
#include "Memory.h"
#include "MountTable.h"

#include <gtest/gtest.h>

using namespace hwlib;

TEST(CpuTimes, SumsBusyAndIdleFieldsPerCpu) {
    std::vector<CpuTimes> times(8); // stale entries must be cleared
    times[7] = {true, 1, 1};
    ParseCpuTimes("cpu  10 20 30 40 50 60 70 80 90 100\n"
                  "cpu0 1 2 3 4 5 6 7 8 9 10\n"
                  "cpu2 100 0 50 1000 10\n" // an old kernel: five fields, cpu1 offline
                  "cpu3 garbage\n"
                  "intr 5 6 7\n",
                  times);
    ASSERT_GE(times.size(), 4u);
    EXPECT_TRUE(times[0].present);
    EXPECT_EQ(times[0].busy, 1u + 2 + 3 + 6 + 7 + 8); // guest (9, 10) is already in user
    EXPECT_EQ(times[0].idle, 4u + 5);
    EXPECT_FALSE(times[1].present);
    EXPECT_EQ(times[2].busy, 150u);
    EXPECT_EQ(times[2].idle, 1010u);
    EXPECT_FALSE(times[3].present);
    EXPECT_FALSE(times[7].present);
}

// Counters whose sum does not fit 64 bits used to wrap into small busy or
// idle times. Such a line is garbled, like any other.
TEST(CpuTimes, ALineWhoseSumWrapsIsGarbled) {
    std::vector<CpuTimes> times;
    ParseCpuTimes("cpu0 18446744073709551615 1 0 0\n"
                  "cpu1 0 0 0 18446744073709551615 1\n"
                  "cpu2 18446744073709551615 0 0 1\n"
                  "cpu3 9223372036854775807 0 0 9223372036854775807\n",
                  times);
    ASSERT_EQ(times.size(), 4u);
    EXPECT_FALSE(times[0].present);
    EXPECT_FALSE(times[1].present);
    EXPECT_FALSE(times[2].present);
    EXPECT_TRUE(times[3].present);
    EXPECT_EQ(times[3].busy + times[3].idle, 18446744073709551614u);
}

TEST(CpuTimes, KnowsWhenAllCpuLinesAreIn) {
    EXPECT_FALSE(HasAllCpuLines("cpu  1 2 3\ncpu0 1 2"));
    EXPECT_FALSE(HasAllCpuLines("cpu  1 2 3\ncpu0 1 2 3\ncp"));
    EXPECT_TRUE(HasAllCpuLines("cpu  1 2 3\ncpu0 1 2 3\nintr 1"));
}

TEST(CpuInfo, ReadsModelAndPlacePerProcessor) {
    const auto entries = ParseCpuInfo("processor\t: 0\nmodel name\t: Example CPU  \n"
                                      "physical id\t: 1\ncore id\t\t: 3\n\n"
                                      "processor\t: 1\nmodel name\t: Example CPU\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].modelName, "Example CPU");
    EXPECT_EQ(entries[0].physicalId, 1);
    EXPECT_EQ(entries[0].coreId, 3);
    EXPECT_EQ(entries[1].processor, 1);
    EXPECT_FALSE(entries[1].physicalId);
}

TEST(MemInfo, TakesTotalAndAvailable) {
    const auto info = ParseMemInfo("MemTotal:       16000000 kB\nMemFree:  100 kB\n"
                                   "MemAvailable:    4000000 kB\n");
    EXPECT_EQ(info.totalKiB, 16000000u);
    EXPECT_EQ(info.availableKiB, 4000000u);
    // A kernel without MemAvailable, and garbage, give no values.
    EXPECT_FALSE(ParseMemInfo("MemTotal: 100 kB\nMemFree: 50 kB\n").availableKiB);
    EXPECT_FALSE(ParseMemInfo("MemTotal: lots\n").totalKiB);
}

TEST(MountTable, ParsesMountInfoWithOptionalFieldsAndEscapes) {
    std::vector<MountEntry> mounts;
    ParseMountInfo("28 1 259:2 / / rw,relatime shared:1 master:2 - ext4 /dev/nvme0n1p2 rw\n"
                   "40 28 8:1 / /mnt/my\\040disk rw - vfat /dev/sda1 rw\n"
                   "41 28 8:3 / /broken rw shared:1\n",
                   mounts);
    ASSERT_EQ(mounts.size(), 2u);
    EXPECT_EQ(mounts[0].device, "259:2");
    EXPECT_EQ(mounts[0].fsType, "ext4");
    EXPECT_EQ(mounts[0].source, "/dev/nvme0n1p2");
    EXPECT_EQ(mounts[1].mountPoint, "/mnt/my disk");

    ParseMounts("/dev/sda2 / ext4 rw 0 0\nnonsense\n", mounts);
    ASSERT_EQ(mounts.size(), 1u);
    EXPECT_EQ(mounts[0].source, "/dev/sda2");
    EXPECT_TRUE(mounts[0].device.empty());
}

TEST(DriveModel, FullAtaModelFromTheIdentifier) {
    const std::string model = "Samsung SSD 860 EVO 500GB";
    EXPECT_EQ(AtaModelFromWwid("t10.ATA     " + model + std::string(40 - model.size(), ' ') +
                               "S3Z1NB0K123456A"),
              model);
    EXPECT_EQ(AtaModelFromWwid("naa.5000c500a1b2c3d4"), "");
    EXPECT_EQ(AtaModelFromWwid("t10.ATA"), "");
}

TEST(Json, ParsesWhatSmartctlWritesAndRejectsTheRest) {
    const auto doc = Json::Parse(R"({"a": [1, -2.5e3, true, null], "b": {"c": "x\u0041\n"},
                                    "big": 281474976710655})");
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->Find("a")->Items().size(), 4u);
    EXPECT_EQ(doc->Find("b")->Find("c")->Text(), "xA\n");
    EXPECT_EQ(doc->Find("big")->Integer(), 281474976710655LL);
    EXPECT_EQ(doc->Find("missing"), nullptr);
    for (const char* bad : {"", "{", "{\"a\" 1}", "[1,]", "{} x", "\"\x01\"", "tru"})
        EXPECT_FALSE(Json::Parse(bad)) << bad;
    EXPECT_FALSE(Json::Parse(std::string(1000, '[') + std::string(1000, ']')));
}
