#include "TestTree.h"

#include <hwlib/Computer.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace hwlib_test;
using ohm::HardwareType;
using ohm::SensorType;

namespace {

class FixedSpace final : public ohm::IFileSystemStats {
public:
    std::optional<ohm::FileSystemSpace> Space(const fs::path&,
                                              const std::string& mountPoint) override {
        asked.push_back(mountPoint);
        if (mountPoint == "/")
            return ohm::FileSystemSpace{1000, 400, 300}; // used 600 of 900 that count
        if (mountPoint == "/boot/efi")
            return ohm::FileSystemSpace{100, 100, 100};
        return std::nullopt;
    }
    std::vector<std::string> asked;
};

struct Row {
    std::string name;
    SensorType type;
    std::optional<float> value;
};

std::vector<Row> RowsOf(const ohm::IHardware& item) {
    std::vector<Row> rows;
    for (const ohm::ISensor* s : item.Sensors())
        rows.push_back({s->Name(), s->SensorType(), s->Value()});
    return rows;
}

void ExpectRows(const ohm::IHardware& item, const std::vector<Row>& expected) {
    const auto rows = RowsOf(item);
    ASSERT_EQ(rows.size(), expected.size()) << item.Name();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].name, expected[i].name) << i;
        EXPECT_EQ(rows[i].type, expected[i].type) << rows[i].name;
        ASSERT_EQ(rows[i].value.has_value(), expected[i].value.has_value()) << rows[i].name;
        if (rows[i].value) {
            EXPECT_NEAR(*rows[i].value, *expected[i].value, 1e-3) << rows[i].name;
        }
    }
}

class Machine : public ::testing::Test {
protected:
    void SetUp() override {
        m_space = std::make_shared<FixedSpace>();
        ohm::SetFileSystemStats(m_space);
    }
    void TearDown() override { ohm::SetFileSystemStats(nullptr); }

    static void EnableAll(ohm::Computer& computer) {
        computer.CPUEnabled(true);
        computer.FanControllerEnabled(true);
        computer.GPUEnabled(true);
        computer.HDDEnabled(true);
        computer.MainboardEnabled(true);
        computer.RAMEnabled(true);
    }
    static void UpdateAll(ohm::Computer& computer) {
        for (ohm::IHardware* item : computer.Hardware())
            item->Update();
    }
    std::shared_ptr<FixedSpace> m_space;
};

} // namespace

TEST_F(Machine, AmdDesktop) {
    ohm::SetRootDirectory(Fixture("amd-desktop-5800x"));
    ohm::Computer computer;
    computer.Open();
    EnableAll(computer);
    UpdateAll(computer);
    const auto items = computer.Hardware();
    ASSERT_EQ(items.size(), 5u);

    EXPECT_EQ(items[0]->HardwareType(), HardwareType::Mainboard);
    EXPECT_EQ(items[0]->Name(), "ASUSTeK COMPUTER INC. ROG STRIX B550-F GAMING");
    ExpectRows(*items[0], {{"SYSTIN", SensorType::Temperature, 33.0f},
                           {"CPUTIN", SensorType::Temperature, 41.5f},
                           {"AUXTIN0", SensorType::Temperature, 28.0f},
                           {"SMBUSMASTER 0", SensorType::Temperature, 45.5f},
                           {"Fan #1", SensorType::Fan, 0.0f},
                           {"Fan #2", SensorType::Fan, 1134.0f},
                           {"Fan #3", SensorType::Fan, 0.0f},
                           {"Voltage #0", SensorType::Voltage, 1.04f},
                           {"Voltage #1", SensorType::Voltage, 1.016f}});

    EXPECT_EQ(items[1]->HardwareType(), HardwareType::Cpu);
    EXPECT_EQ(items[1]->Name(), "AMD Ryzen 7 5800X 8-Core Processor");
    std::vector<Row> cpu;
    for (int core = 0; core < 8; ++core)
        cpu.push_back({"CPU Core #" + std::to_string(core + 1), SensorType::Load, std::nullopt});
    cpu.push_back({"CPU Total", SensorType::Load, std::nullopt});
    cpu.push_back({"CPU Tctl", SensorType::Temperature, 45.5f});
    cpu.push_back({"CPU CCD #1", SensorType::Temperature, 41.25f});
    auto rows = RowsOf(*items[1]);
    ASSERT_EQ(rows.size(), cpu.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].name, cpu[i].name);
        EXPECT_EQ(rows[i].type, cpu[i].type);
        EXPECT_TRUE(rows[i].value);
    }
    EXPECT_NEAR(*rows[10].value, 41.25f, 1e-4);

    EXPECT_EQ(items[2]->HardwareType(), HardwareType::Memory);
    const float totalGib = 32768000.0f / 1048576, availableGib = 24576000.0f / 1048576;
    ExpectRows(*items[2], {{"Memory", SensorType::Load, 25.0f},
                           {"Used Memory", SensorType::Data, totalGib - availableGib},
                           {"Available Memory", SensorType::Data, availableGib}});

    EXPECT_EQ(items[3]->HardwareType(), HardwareType::GpuFamilyB);
    EXPECT_EQ(items[3]->Name(), "Graphics 1002:73df (amdgpu)");
    ExpectRows(*items[3], {{"GPU Edge", SensorType::Temperature, 47.0f},
                           {"GPU Junction", SensorType::Temperature, 52.0f},
                           {"GPU Memory", SensorType::Temperature, 56.0f},
                           {"GPU Core", SensorType::Load, 7.0f},
                           {"GPU Fan", SensorType::Fan, 0.0f}});

    // loop0 is no physical disk; the bind mount of the root file system
    // counts once and the squashfs on loop0 not at all.
    EXPECT_EQ(items[4]->HardwareType(), HardwareType::Drive);
    EXPECT_EQ(items[4]->Name(), "WDS100T1X0E-00AFY0");
    ExpectRows(*items[4], {{"Temperature", SensorType::Temperature, 38.85f},
                           {"Used Space", SensorType::Load, 60.0f}});
}

TEST_F(Machine, ProcessorLoadsSinceBootPerCore) {
    ohm::SetRootDirectory(Fixture("amd-desktop-5800x"));
    ohm::Computer computer;
    computer.CPUEnabled(true);
    computer.Open();
    ohm::IHardware* cpu = computer.Hardware().at(0);
    cpu->Update();
    // The counters the fixture's /proc/stat was written with.
    auto load = [](std::initializer_list<int> cpus) {
        double busy = 0, total = 0;
        for (int n : cpus) {
            const double user = 100000 + (3 * n * 37) % 5000 + n * 1000;
            const double b = user + 500 + n + 30000 + n * 100 + 300 + n;
            busy += b;
            total += b + 900000 + n * 5000 + 2000 + n;
        }
        return static_cast<float>(100 * busy / total);
    };
    EXPECT_NEAR(*cpu->Sensors()[0]->Value(), load({0, 8}), 1e-4);
    EXPECT_NEAR(*cpu->Sensors()[7]->Value(), load({7, 15}), 1e-4);
    EXPECT_NEAR(*cpu->Sensors()[8]->Value(),
                load({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}), 1e-4);
}

TEST_F(Machine, IntelLaptop) {
    ohm::SetRootDirectory(Fixture("intel-laptop-1260p"));
    ohm::Computer computer;
    computer.Open();
    EnableAll(computer);
    UpdateAll(computer);
    const auto items = computer.Hardware();
    ASSERT_EQ(items.size(), 4u); // no graphics chip of its own

    EXPECT_EQ(items[0]->Name(), "LENOVO 21AHCTO1WW");
    // acpitz and thinkpad have no labels; the garbled thinkpad reading is
    // empty but its sensor stays; a fan at rest reads 0.
    ExpectRows(*items[0], {{"Temperature #1", SensorType::Temperature, 50.0f},
                           {"Temperature #1 (thinkpad)", SensorType::Temperature, 51.0f},
                           {"Temperature #2", SensorType::Temperature, std::nullopt},
                           {"Fan #1", SensorType::Fan, 0.0f}});

    ohm::IHardware& cpu = *items[1];
    EXPECT_EQ(cpu.Name(), "12th Gen Intel(R) Core(TM) i7-1260P");
    const auto rows = RowsOf(cpu);
    // 12 cores (four with two threads, core ids 0, 4, 8, 12; eight with one,
    // core ids 16 to 23), the total, 12 core temperatures and the package.
    ASSERT_EQ(rows.size(), 12u + 1 + 12 + 1);
    EXPECT_EQ(rows[11].name, "CPU Core #12");
    EXPECT_EQ(rows[12].name, "CPU Total");
    EXPECT_EQ(rows[13].name, "CPU Core #1");
    EXPECT_EQ(rows[13].type, SensorType::Temperature);
    EXPECT_NEAR(*rows[13].value, 48.0f, 1e-4); // Core 0
    EXPECT_NEAR(*rows[16].value, 51.0f, 1e-4); // Core 12
    EXPECT_NEAR(*rows[24].value, 51.0f, 1e-4); // Core 23
    EXPECT_EQ(rows[25].name, "CPU Package");
    EXPECT_NEAR(*rows[25].value, 52.0f, 1e-4);

    EXPECT_EQ(items[3]->Name(), "Samsung SSD 860 EVO 500GB"); // not the 16-character model
    ExpectRows(*items[3], {{"Temperature", SensorType::Temperature, 31.0f},
                           {"Used Space", SensorType::Load, 60.0f}});
}

TEST_F(Machine, GroupsCanBeSwitchedBeforeAndAfterOpen) {
    ohm::SetRootDirectory(Fixture("amd-desktop-5800x"));
    ohm::Computer computer;
    EXPECT_TRUE(computer.Hardware().empty());
    computer.RAMEnabled(true); // before Open: nothing yet
    EXPECT_TRUE(computer.Hardware().empty());
    computer.Open();
    ASSERT_EQ(computer.Hardware().size(), 1u);
    ohm::IHardware* memory = computer.Hardware()[0];

    computer.HDDEnabled(true);
    computer.MainboardEnabled(true);
    auto items = computer.Hardware();
    ASSERT_EQ(items.size(), 3u); // the fixed order, whatever the order of enabling
    EXPECT_EQ(items[0]->HardwareType(), HardwareType::Mainboard);
    EXPECT_EQ(items[1], memory);
    EXPECT_EQ(items[2]->HardwareType(), HardwareType::Drive);

    computer.RAMEnabled(true); // unchanged: the same item stays
    EXPECT_EQ(computer.Hardware()[1], memory);
    computer.MainboardEnabled(false);
    EXPECT_EQ(computer.Hardware().size(), 2u);
    EXPECT_TRUE(computer.HDDEnabled());
    EXPECT_FALSE(computer.MainboardEnabled());

    computer.Close();
    EXPECT_TRUE(computer.Hardware().empty());
    computer.Open(); // the flags outlive a close
    EXPECT_EQ(computer.Hardware().size(), 2u);
}

TEST_F(Machine, AnEmptyTreeHasOnlyTheMainboard) {
    TestTree tree; // a virtual machine without hwmon or DMI, and nothing else
    ohm::Computer computer;
    computer.Open();
    EnableAll(computer);
    UpdateAll(computer);
    const auto items = computer.Hardware();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->Name(), "Unknown Mainboard");
    EXPECT_TRUE(items[0]->Sensors().empty());
}
