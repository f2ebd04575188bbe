#include "PanelWindow.h"
#include "RealtimeInfo.h"

#include <gtest/gtest.h>
#include <hwlib/Environment.h>
#include <stdexcept>

using namespace collectors_test;
namespace ohm = OpenHardwareMonitor::Hardware;

namespace {

class FixedSpace final : public ohm::IFileSystemStats {
public:
    std::optional<ohm::FileSystemSpace> Space(const std::filesystem::path&,
                                              const std::string& mountPoint) override {
        if (fail)
            throw std::runtime_error("statvfs");
        if (mountPoint == "/")
            return ohm::FileSystemSpace{1000, 400, 300};
        return std::nullopt;
    }
    bool fail = false;
};

class SmartRunner final : public ohm::IProgramRunner {
public:
    explicit SmartRunner(std::string json) : m_json(std::move(json)) {}
    ohm::ProgramResult Run(const std::vector<std::string>&, std::chrono::milliseconds,
                           std::size_t) override {
        ++runs;
        if (fail)
            throw std::runtime_error("fork");
        return {ohm::ProgramResult::Status::Exited, 0, m_json};
    }
    int runs = 0;
    bool fail = false;

private:
    std::string m_json;
};

const char* kNvmeJson = R"({
  "smartctl": {"exit_status": 0},
  "model_name": "WDS100T1X0E-00AFY0",
  "smart_status": {"passed": true},
  "nvme_smart_health_information_log": {"temperature": 39, "power_cycles": 1287,
    "power_on_hours": 5678}
})";

const char* kAtaJson = R"({
  "smartctl": {"exit_status": 0},
  "model_name": "Samsung SSD 860 EVO 500GB",
  "smart_status": {"passed": true},
  "ata_smart_attributes": {"revision": 1, "table": [
    {"id": 9, "name": "Power_On_Hours", "value": 95, "worst": 95, "thresh": 0,
     "raw": {"value": 21514, "string": "21514"}},
    {"id": 4, "name": "Start_Stop_Count", "value": 99, "worst": 99, "thresh": 0,
     "raw": {"value": 123456789012, "string": "123456789012"}}
  ]}
})";

// One fixture machine behind the library, and the collector's working state
// set up on it.
class Machine : public ::testing::Test {
protected:
    void Open(const std::string& machine, const char* json) {
        ohm::SetRootDirectory(std::filesystem::path(HWLIB_FIXTURES) / machine);
        ohm::SetFileSystemStats(m_space);
        m_runner = std::make_shared<SmartRunner>(json);
        ohm::SetProgramRunner(m_runner);
        RealtimeInfoSetUp(m_info);
    }
    void TearDown() override {
        ohm::SetProgramRunner(nullptr);
        ohm::SetFileSystemStats(nullptr);
        ohm::SetRootDirectory("/");
    }
    void Pass() { RealtimeInfoPass(m_window.Handle(), m_info, 0); }

    PanelWindow m_window;
    _tagRealtimeInfo m_info;
    std::shared_ptr<FixedSpace> m_space = std::make_shared<FixedSpace>();
    std::shared_ptr<SmartRunner> m_runner;
};

TEST_F(Machine, AmdDesktopPanels) {
    Open("amd-desktop-5800x", kNvmeJson);
    Pass();
    EXPECT_EQ(m_window.Text(IDC_CPU), L"AMD Ryzen 7 5800X 8-Core Processor\n\n"
                                      L"1#\t12%\t45.5℃\n2#\t12%\t41.25℃\n3#\t12%\t℃\n"
                                      L"4#\t12%\t℃\n5#\t12%\t℃\n6#\t13%\t℃\n7#\t13%\t℃\n"
                                      L"8#\t13%\t℃\nCPU\t12%\t");
    EXPECT_EQ(m_window.Text(IDC_GPU), L"Graphics 1002:73df (amdgpu)\n\nGPU Edge\t47℃\n"
                                      L"GPU Junction\t52℃\nGPU Memory\t56℃\nGPU Core\t7%\n");
    EXPECT_EQ(m_window.Text(IDC_HDD), L"硬盘  WDS100T1X0E-00AFY0\n温度\t38.85℃\n已用\t66%");
    EXPECT_EQ(m_window.Text(IDC_SMART), L"重启  1287次\n通电时间 5678小时\n");
    EXPECT_EQ(m_window.Text(IDC_MAINBOARD),
              L"ASUSTeK COMPUTER INC. ROG STRIX B550-F GAMING\nASUSTeK COMPUTER INC.\n\n"
              L"SYSTIN\t33℃\nCPUTIN\t41.5℃\nAUXTIN0\t28℃\nSMBUSMASTER 0\t45.5℃\n"
              L"Fan #1\t0RPM\nFan #2\t1134RPM\nFan #3\t0RPM\n");
    // 31.25 GiB in all, 23.4375 available.
    EXPECT_EQ(m_window.Text(IDC_MEM), L"内存  \n已用\t25%\n已用/剩余  7.8G 23.4G ");
    EXPECT_EQ(m_info.nPass, 2);
    EXPECT_TRUE(m_info.strAmount.IsEmpty());
    EXPECT_TRUE(m_info.strPanel.IsEmpty());
}

TEST_F(Machine, IntelLaptopPanels) {
    Open("intel-laptop-1260p", kAtaJson);
    Pass();
    // Twelve cores and the total: the row labelled CPU holds the total, and
    // the package temperature, the 13th, is not shown.
    EXPECT_EQ(m_window.Text(IDC_CPU),
              L"12th Gen Intel(R) Core(TM) i7-1260P\n\n"
              L"1#\t12%\t48℃\n2#\t12%\t49℃\n3#\t12%\t50℃\n4#\t12%\t51℃\n5#\t13%\t44℃\n"
              L"6#\t13%\t45℃\n7#\t13%\t46℃\n8#\t13%\t47℃\n9#\t13%\t48℃\n10#\t13%\t49℃\n"
              L"11#\t13%\t50℃\n12#\t13%\t51℃\nCPU\t13%\t");
    EXPECT_EQ(m_window.Text(IDC_GPU), L"GPU"); // no graphics item
    EXPECT_EQ(m_window.Text(IDC_HDD), L"硬盘  Samsung SSD 860 EVO 500GB\n温度\t31℃\n已用\t66%");
    // Twelve digits without a space: the first nine.
    EXPECT_EQ(m_window.Text(IDC_SMART), L"重启  123456789次\n通电时间 21514小时\n");
    EXPECT_EQ(m_window.Text(IDC_MAINBOARD),
              L"LENOVO 21AHCTO1WW\nLENOVO\n\nTemperature #1\t50℃\n"
              L"Temperature #1 (thinkpad)\t51℃\nTemperature #2\t℃\nFan #1\t0RPM\n");
    EXPECT_EQ(m_window.Text(IDC_MEM), L"内存  \n已用\t41%\n已用/剩余  6.3G 9.0G ");
}

// The report is asked for in the first pass and then every 60th.
TEST_F(Machine, DriveHealthOnPassZeroAndSixty) {
    Open("amd-desktop-5800x", kNvmeJson);
    std::vector<int> refreshed;
    for (int pass = 0; pass <= 121; ++pass) {
        m_window.SetText(IDC_SMART, L"S.M.A.R.T");
        const int runs = m_runner->runs;
        Pass();
        if (m_runner->runs != runs) {
            refreshed.push_back(pass);
            EXPECT_EQ(m_window.Text(IDC_SMART), L"重启  1287次\n通电时间 5678小时\n");
        } else {
            EXPECT_EQ(m_window.Text(IDC_SMART), L"S.M.A.R.T") << pass;
        }
    }
    EXPECT_EQ(refreshed, (std::vector<int>{0, 60, 120}));
}

// A library call that throws skips its item for the pass; the others show.
TEST_F(Machine, AFailingItemIsSkipped) {
    Open("amd-desktop-5800x", kNvmeJson);
    m_space->fail = true;
    Pass();
    EXPECT_EQ(m_window.Text(IDC_HDD), L"HDD");
    EXPECT_EQ(m_window.Text(IDC_SMART), L"S.M.A.R.T");
    EXPECT_EQ(m_window.Text(IDC_MEM).rfind(L"内存  ", 0), 0u);

    m_space->fail = false;
    m_runner->fail = true;
    m_info.nPass = 0;
    Pass();
    EXPECT_EQ(m_window.Text(IDC_HDD), L"硬盘  WDS100T1X0E-00AFY0\n温度\t38.85℃\n已用\t66%");
    EXPECT_EQ(m_window.Text(IDC_SMART), L"S.M.A.R.T");
    EXPECT_TRUE(m_info.strPanel.IsEmpty());

    m_runner->fail = false;
    m_info.nPass = 0;
    Pass();
    EXPECT_EQ(m_window.Text(IDC_SMART), L"重启  1287次\n通电时间 5678小时\n");
}

} // namespace
