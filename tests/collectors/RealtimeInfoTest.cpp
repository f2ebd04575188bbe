#include "RealtimeInfo.h"
#include "FakeHardware.h"
#include "PanelWindow.h"

#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <locale.h>

using namespace collectors_test;

namespace {

// The items of one kind, shown one after the other with one working state.
class Items : public ::testing::Test {
protected:
    std::wstring Show(FakeItem& item, int nPanel) {
        RealtimeInfoItem(m_window.Handle(), item, m_info);
        EXPECT_TRUE(m_info.strPanel.IsEmpty());
        return m_window.Text(nPanel);
    }
    PanelWindow m_window;
    _tagRealtimeInfo m_info;
};

FakeItem Processor(const std::vector<SensorSpec>& sensors) {
    return FakeItem("Example CPU", HardwareType::Cpu, sensors);
}

constexpr auto kLoad = SensorType::Load;
constexpr auto kTemp = SensorType::Temperature;

TEST_F(Items, ProcessorPairsTheNthLoadWithTheNthTemperature) {
    FakeItem cpu = Processor({{"Core #1", kLoad, 12.5f},
                              {"Core #2", kLoad, 30.0f},
                              {"Total", kLoad, 21.25f},
                              {"Core #1", kTemp, 45.0f},
                              {"Core #2", kTemp, 47.5f}});
    EXPECT_EQ(Show(cpu, IDC_CPU), L"Example CPU\n\n"
                                  L"1#\t12%\t45℃\n"
                                  L"2#\t30%\t47.5℃\n"
                                  L"CPU\t21%\t");
    EXPECT_EQ(cpu.updates, 1);

    // A later processor with fewer temperatures shows the older ones.
    FakeItem second = Processor(
        {{"a", kLoad, 1.0f}, {"b", kLoad, 2.0f}, {"c", kLoad, 3.0f}, {"t", kTemp, 60.0f}});
    EXPECT_EQ(Show(second, IDC_CPU), L"Example CPU\n\n1#\t1%\t60℃\n2#\t2%\t47.5℃\nCPU\t3%\t");
}

TEST_F(Items, ProcessorRowsAndWholePercentages) {
    struct Case {
        std::vector<SensorSpec> sensors;
        std::wstring expected;
        const char* why;
    } cases[] = {
        {{{"t", kTemp, 40.0f}}, L"Example CPU\n\n", "no percentage sensor"},
        {{{"Total", kLoad, 50.0f}, {"t", kTemp, 40.0f}},
         L"Example CPU\n\nCPU\t50%\t",
         "a single percentage is the overall row"},
        {{{"c", kLoad, 12.9f}, {"Total", kLoad, 99.99999f}, {"t", kTemp, 40.0f}},
         L"Example CPU\n\n1#\t12%\t40℃\nCPU\t99%\t",
         "the fraction is cut off"},
        {{{"c", kLoad, 100.00001f}, {"Total", kLoad, std::nullopt}, {"t", kTemp, std::nullopt}},
         L"Example CPU\n\n1#\t100%\t℃\nCPU\t0%\t",
         "a reading text of 100; no value"},
        {{{"c", kLoad, 5.0f},
          {"Total", kLoad, 5.0f},
          {"t1", kTemp, 41.0f},
          {"t2", kTemp, 42.0f},
          {"t3", kTemp, 43.0f}},
         L"Example CPU\n\n1#\t5%\t41℃\nCPU\t5%\t",
         "extra temperatures are not shown"},
        {{{"other", SensorType::Clock, 3600.0f}, {"Total", kLoad, -2.5f}},
         L"Example CPU\n\nCPU\t-2%\t",
         "a sign is kept; other sensors skipped"},
    };
    for (const Case& c : cases) {
        _tagRealtimeInfo fresh;
        FakeItem cpu = Processor(c.sensors);
        RealtimeInfoItem(m_window.Handle(), cpu, fresh);
        EXPECT_EQ(m_window.Text(IDC_CPU), c.expected) << c.why;
    }
}

TEST_F(Items, ProcessorWithMoreThanEightCoresKeepsItsTotalInTheCpuRow) {
    std::vector<SensorSpec> sensors;
    std::wstring expected = L"Example CPU\n\n";
    for (int core = 1; core <= 12; ++core) {
        sensors.push_back({"Core", kLoad, static_cast<float>(core)});
        expected += std::to_wstring(core) + L"#\t" + std::to_wstring(core) + L"%\t" +
                    std::to_wstring(30 + core) + L"℃\n";
    }
    sensors.push_back({"Total", kLoad, 77.0f});
    for (int core = 1; core <= 13; ++core)
        sensors.push_back({"Temp", kTemp, static_cast<float>(30 + core)});
    expected += L"CPU\t77%\t";
    FakeItem cpu = Processor(sensors);
    EXPECT_EQ(Show(cpu, IDC_CPU), expected);
    EXPECT_EQ(m_info.arrCore.size(), 13u);
}

TEST_F(Items, GraphicsDriveAndMainboard) {
    for (HardwareType type : {HardwareType::GpuFamilyA, HardwareType::GpuFamilyB}) {
        FakeItem gpu("Radeon", type,
                     {{"GPU Core", kTemp, 47.0f},
                      {"GPU Load", kLoad, 7.9f},
                      {"GPU Fan", SensorType::Fan, 900.0f}});
        m_window.SetText(IDC_GPU, L"GPU");
        EXPECT_EQ(Show(gpu, IDC_GPU), L"Radeon\n\nGPU Core\t47℃\nGPU Load\t7%\n");
    }

    FakeItem drive("Disk", HardwareType::Drive,
                   {{"Temperature", kTemp, 38.85f},
                    {"Used Space", kLoad, 40.0f},
                    {"Other Space", kLoad, 12.0f}});
    EXPECT_EQ(Show(drive, IDC_HDD), L"硬盘  Disk\n温度\t38.85℃\n已用\t40%已用\t12%");

    FakeItem board("Board X", HardwareType::Mainboard,
                   {{"SYSTIN", kTemp, std::nullopt},
                    {"Fan #2", SensorType::Fan, 1134.0f},
                    {"Voltage", SensorType::Voltage, 1.04f}},
                   "Mainboard\r\nMainboard Manufacturer: ACME Boards\r\nMainboard Name: X\r\n");
    EXPECT_EQ(Show(board, IDC_MAINBOARD), L"Board X\nACME Boards\n\nSYSTIN\t℃\nFan #2\t1134RPM\n");
    EXPECT_EQ(board.reports, 1);
}

TEST_F(Items, MemoryAmountsGatherOverThePass) {
    FakeItem memory("Memory", HardwareType::Memory,
                    {{"Memory", kLoad, 43.7f},
                     {"Used Memory", SensorType::Data, 3.4f},
                     {"Available Memory", SensorType::Data, 4.49f}});
    EXPECT_EQ(Show(memory, IDC_MEM), L"内存  \n已用\t43%\n已用/剩余  3.4G 4.5G ");
    // A second item in the same pass shows the first one's amounts first,
    // whatever the order of its own sensors.
    FakeItem second("Memory", HardwareType::Memory,
                    {{"Used", SensorType::Data, std::nullopt}, {"Load", kLoad, 10.0f}});
    EXPECT_EQ(Show(second, IDC_MEM), L"内存  \n已用\t10%\n已用/剩余  3.4G 4.5G 0.0G ");
}

TEST_F(Items, ReadingTextsTakeTheUserSeparatorButAmountsAPoint) {
    const char* comma = nullptr;
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (locale_t probe = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(nullptr))) {
            freelocale(probe);
            comma = name;
            break;
        }
    }
    if (!comma)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    setenv("LC_ALL", comma, 1);
    FakeItem cpu = Processor({{"c", kLoad, 12.9f}, {"Total", kLoad, 1.0f}, {"t", kTemp, 47.5f}});
    FakeItem memory("Memory", HardwareType::Memory, {{"Used", SensorType::Data, 4.49f}});
    const std::wstring cpuText = Show(cpu, IDC_CPU);
    const std::wstring memText = Show(memory, IDC_MEM);
    unsetenv("LC_ALL");
    EXPECT_EQ(cpuText, L"Example CPU\n\n1#\t12%\t47,5℃\nCPU\t1%\t");
    EXPECT_EQ(memText, L"内存  \n已用/剩余  4.5G ");
}

TEST_F(Items, DrivesAndTheHealthRefresh) {
    const std::string kReport = std::string("Start/Stop Count") + std::string(50, ' ') +
                                "1234      x\r\n" + "Power-On Hours (POH)" + std::string(46, ' ') +
                                "5678 h\r\n";
    FakeItem first("First", HardwareType::Drive, {{"Used", kLoad, 60.0f}}, kReport);
    FakeItem second("Second", HardwareType::Drive, {{"Used", kLoad, 10.0f}}, "Start/Stop Count");

    m_info.nPass = 0;
    Show(first, IDC_HDD);
    EXPECT_EQ(Show(second, IDC_HDD), L"硬盘  Second\n已用\t10%");
    EXPECT_EQ(m_window.Text(IDC_SMART), L"重启  1234次\n通电时间 5678小时\n");
    EXPECT_EQ(m_info.nPass, 1);
    EXPECT_EQ(first.reports, 1);
    EXPECT_EQ(second.reports, 0);

    struct Case {
        int nPass;
        bool refreshed;
    } cases[] = {{1, false}, {2, false}, {60, false}, {-1, false}, {61, true}};
    for (const Case& c : cases) {
        m_window.SetText(IDC_SMART, L"S.M.A.R.T");
        m_info.nPass = c.nPass;
        Show(second, IDC_HDD);
        EXPECT_EQ(m_window.Text(IDC_SMART) != L"S.M.A.R.T", c.refreshed) << c.nPass;
        EXPECT_EQ(m_info.nPass, c.refreshed ? 1 : c.nPass);
    }
    EXPECT_EQ(m_window.Text(IDC_SMART), L"重启  次\n通电时间 小时\n");
}

TEST_F(Items, OtherTypesAreRefreshedAndShownNowhere) {
    FakeItem superIo("Chip", HardwareType::SuperIO, {{"t", kTemp, 40.0f}});
    RealtimeInfoItem(m_window.Handle(), superIo, m_info);
    EXPECT_EQ(superIo.updates, 1);
    for (const PanelCaption& panel : kPanels)
        EXPECT_EQ(m_window.Text(panel.nId), panel.lpszCaption);
}

} // namespace
