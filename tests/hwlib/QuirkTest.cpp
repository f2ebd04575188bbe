#include "TestTree.h"

#include <hwlib/Computer.h>

#include <gtest/gtest.h>

using namespace hwlib_test;

namespace {

ohm::IHardware* Board(ohm::Computer& computer) {
    computer.MainboardEnabled(true);
    computer.Open();
    return computer.Hardware().at(0);
}

} // namespace

TEST(Quirks, HwmonFolderVanishesAndComesBackRenumbered) {
    TestTree tree("amd-desktop-5800x");
    ohm::Computer computer;
    ohm::IHardware* board = Board(computer);
    board->Update();
    ASSERT_EQ(*board->Sensors()[0]->Value(), 33.0f);
    const std::size_t count = board->Sensors().size();

    // The driver is unloaded: values go empty, the sensors stay in order.
    tree.Remove("/sys/class/hwmon/hwmon2");
    board->Update();
    ASSERT_EQ(board->Sensors().size(), count);
    for (auto* sensor : board->Sensors())
        EXPECT_FALSE(sensor->Value()) << sensor->Name();

    // It is loaded again and comes back as hwmon7 with a new reading.
    fs::create_directory_symlink("../../devices/platform/nct6775.656/hwmon/hwmon2",
                                 tree.Path("/sys/class/hwmon/hwmon7"));
    tree.Write("/sys/devices/platform/nct6775.656/hwmon/hwmon2/temp1_input", "34500\n");
    board->Update();
    EXPECT_EQ(board->Sensors()[0]->Name(), "SYSTIN");
    EXPECT_EQ(*board->Sensors()[0]->Value(), 34.5f);
    EXPECT_EQ(*board->Sensors()[5]->Value(), 1134.0f);
}

TEST(Quirks, GarbledAndMissingReadingsAreEmpty) {
    TestTree tree("amd-desktop-5800x");
    ohm::Computer computer;
    computer.RAMEnabled(true);
    ohm::IHardware* board = Board(computer);
    ohm::IHardware* memory = computer.Hardware().at(1);
    const std::string chip = "/sys/devices/platform/nct6775.656/hwmon/hwmon2/";
    tree.Write(chip + "temp1_input", "garbage\n");
    tree.Write(chip + "temp2_input", "");
    tree.Remove(chip + "fan2_input");
    tree.Write("/proc/meminfo", "MemTotal: 1000 kB\nMemAvailable: 2000 kB\n"); // impossible
    board->Update();
    memory->Update();
    EXPECT_FALSE(board->Sensors()[0]->Value());
    EXPECT_FALSE(board->Sensors()[1]->Value());
    EXPECT_EQ(*board->Sensors()[2]->Value(), 28.0f);
    EXPECT_FALSE(board->Sensors()[5]->Value());
    EXPECT_EQ(*board->Sensors()[4]->Value(), 0.0f); // 0 RPM is a reading
    EXPECT_FALSE(memory->Sensors()[0]->Value());
    EXPECT_FALSE(memory->Sensors()[1]->Value());

    tree.Remove("/proc/meminfo");
    memory->Update();
    for (auto* sensor : memory->Sensors())
        EXPECT_FALSE(sensor->Value());
}

TEST(Quirks, DriveWithoutHwmonOrMountsAndPaddedModel) {
    TestTree tree;
    tree.Write("/sys/devices/pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/model",
               "ST2000DM008-2FR1\n");
    tree.Write("/sys/devices/pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/block/sdb/dev",
               "8:16\n");
    fs::create_directories(tree.Path("/sys/block"));
    fs::create_directory_symlink(
        "../devices/pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/block/sdb",
        tree.Path("/sys/block/sdb"));
    fs::create_directory_symlink("../../../1:0:0:0",
                                 tree.Path("/sys/devices/pci0000:00/0000:00:17.0/ata2/host1/"
                                           "target1:0:0/1:0:0:0/block/sdb/device"));
    ohm::Computer computer;
    computer.HDDEnabled(true);
    computer.Open();
    ASSERT_EQ(computer.Hardware().size(), 1u);
    ohm::IHardware* drive = computer.Hardware()[0];
    drive->Update();
    EXPECT_EQ(drive->Name(), "ST2000DM008-2FR1");
    EXPECT_TRUE(drive->Sensors().empty()); // nothing to read: no invented sensor
}

TEST(Quirks, AMountedFileSystemThatCannotBeAskedIsLeftOut) {
    TestTree tree("intel-laptop-1260p");
    class OnlyRoot final : public ohm::IFileSystemStats {
    public:
        std::optional<ohm::FileSystemSpace> Space(const fs::path&,
                                                  const std::string& point) override {
            if (point == "/" && !gone)
                return ohm::FileSystemSpace{100, 50, 50};
            return std::nullopt;
        }
        bool gone = false;
    };
    auto stats = std::make_shared<OnlyRoot>();
    ohm::SetFileSystemStats(stats);
    ohm::Computer computer;
    computer.HDDEnabled(true);
    computer.Open();
    ohm::IHardware* drive = computer.Hardware().at(0);
    drive->Update();
    EXPECT_FLOAT_EQ(*drive->Sensors()[1]->Value(), 50.0f);
    stats->gone = true;
    drive->Update();
    EXPECT_FALSE(drive->Sensors()[1]->Value());
    ohm::SetFileSystemStats(nullptr);
}
