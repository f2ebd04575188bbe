#include "TestTree.h"

#include <hwlib/Computer.h>

#include <gtest/gtest.h>

using namespace hwlib_test;
using Status = ohm::ProgramResult::Status;

namespace {

class FakeRunner final : public ohm::IProgramRunner {
public:
    explicit FakeRunner(ohm::ProgramResult result) : m_result(std::move(result)) {}
    ohm::ProgramResult Run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                           std::size_t outputLimit) override {
        calls.push_back(argv);
        lastTimeout = timeout;
        lastLimit = outputLimit;
        return m_result;
    }
    std::vector<std::vector<std::string>> calls;
    std::chrono::milliseconds lastTimeout{};
    std::size_t lastLimit = 0;

private:
    ohm::ProgramResult m_result;
};

// What the callers do: find the label, go 66 characters on from its first
// character, take up to 9 characters and stop at a space.
std::string Scan(const std::string& report, const std::string& label, std::size_t offset,
                 std::size_t count, char stop) {
    const std::size_t at = report.find(label);
    if (at == std::string::npos || at + offset > report.size())
        return "<missing>";
    std::string piece = report.substr(at + offset, count);
    return piece.substr(0, piece.find(stop));
}

const char* kAtaJson = R"({
  "json_format_version": [1, 0],
  "smartctl": {"version": [7, 3], "exit_status": 0},
  "device": {"name": "/dev/sda", "type": "sat", "protocol": "ATA"},
  "model_name": "Samsung SSD 860 EVO 500GB",
  "serial_number": "S3Z1NB0K123456A",
  "smart_status": {"passed": true},
  "ata_smart_attributes": {"revision": 1, "table": [
    {"id": 5, "name": "Reallocated_Sector_Ct", "value": 100, "worst": 100, "thresh": 10,
     "raw": {"value": 0, "string": "0"}},
    {"id": 9, "name": "Power_On_Hours", "value": 95, "worst": 95, "thresh": 0,
     "raw": {"value": 21514, "string": "21514"}},
    {"id": 4, "name": "Start_Stop_Count", "value": 99, "worst": 99, "thresh": 0,
     "raw": {"value": 123456789012, "string": "123456789012"}},
    {"id": 241, "name": "Total_LBAs_Written", "value": 99, "worst": 99, "thresh": 0,
     "raw": {"value": 31594322290, "string": "31594322290"}}
  ]}
})";

const char* kNvmeJson = R"({
  "smartctl": {"exit_status": 0},
  "model_name": "WDS100T1X0E-00AFY0",
  "smart_status": {"passed": true},
  "nvme_smart_health_information_log": {
    "critical_warning": 0, "temperature": 39, "available_spare": 100,
    "power_cycles": 1287, "power_on_hours": 5678, "unsafe_shutdowns": 61
  }
})";

class Reports : public ::testing::Test {
protected:
    void TearDown() override {
        ohm::SetProgramRunner(nullptr);
        ohm::SetFileSystemStats(nullptr);
    }
    std::shared_ptr<FakeRunner> Runner(Status status, int exitCode, std::string output) {
        auto runner = std::make_shared<FakeRunner>(ohm::ProgramResult{status, exitCode, output});
        ohm::SetProgramRunner(runner);
        return runner;
    }
    static ohm::IHardware* Drive(ohm::Computer& computer) {
        computer.HDDEnabled(true);
        computer.Open();
        return computer.Hardware().at(0);
    }
};

} // namespace

TEST_F(Reports, AtaValuesSitWhereTheCallersLook) {
    TestTree tree("intel-laptop-1260p");
    auto runner = Runner(Status::Exited, 0, kAtaJson);
    ohm::Computer computer;
    ohm::IHardware* drive = Drive(computer);
    drive->Update();
    const std::string report = drive->GetReport();
    ASSERT_EQ(runner->calls.size(), 1u);
    EXPECT_EQ(runner->calls[0],
              (std::vector<std::string>{"smartctl", "-j", "-A", "-H", "-i", "/dev/sda"}));
    // A fixed argument list, a time bound and a bounded read of the output.
    EXPECT_GT(runner->lastTimeout.count(), 0);
    EXPECT_LE(runner->lastTimeout.count(), 10000);
    EXPECT_GT(runner->lastLimit, 0u);
    EXPECT_LE(runner->lastLimit, 4u * 1024 * 1024);

    EXPECT_EQ(Scan(report, "Power-On Hours (POH)", 66, 9, ' '), "21514");
    // Twelve digits: the caller keeps nine, but the value itself is whole.
    EXPECT_EQ(Scan(report, "Start/Stop Count", 66, 20, ' '), "123456789012");
    EXPECT_NE(report.find("Health: PASSED\r\n"), std::string::npos);
    EXPECT_NE(report.find("  Temperature" + std::string(23, ' ') + "Temperature   31 C\r\n"),
              std::string::npos);
    for (std::size_t at = 0; (at = report.find('\n', at)) != std::string::npos; ++at)
        ASSERT_EQ(report[at - 1], '\r');
}

TEST_F(Reports, NvmeHealthUsesTheSameLabels) {
    TestTree tree("amd-desktop-5800x");
    Runner(Status::Exited, 0, kNvmeJson);
    ohm::Computer computer;
    const std::string report = Drive(computer)->GetReport();
    EXPECT_EQ(Scan(report, "Start/Stop Count", 66, 9, ' '), "1287");
    EXPECT_EQ(Scan(report, "Power-On Hours (POH)", 66, 9, ' '), "5678");
}

TEST_F(Reports, NoSmartValuesWithoutAReadableAnswer) {
    TestTree tree("intel-laptop-1260p");
    struct Case {
        Status status;
        int exitCode;
        std::string output;
        const char* why;
    } cases[] = {
        {Status::NotFound, -1, "", "not installed"},
        {Status::TimedOut, -1, "", "did not answer"},
        {Status::TooMuchOutput, -1, "", "more output"},
        {Status::Failed, -1, "", "could not be run"},
        {Status::Exited, 2,
         R"({"smartctl": {"exit_status": 2, "messages": [{"string": "Smartctl open device: /dev/sda failed: Permission denied", "severity": "error"}]}})",
         "Permission denied"},
        {Status::Exited, 2, R"({"smartctl": {"exit_status": 2}})", "could not open"},
        {Status::Exited, 0, "Start/Stop Count 1234 <html>", "could not be read"},
        {Status::Exited, 4, R"({"smartctl": {"exit_status": 4}, "smart_status": {"passed": true}})",
         "no attributes"},
    };
    for (const auto& c : cases) {
        Runner(c.status, c.exitCode, c.output);
        ohm::Computer computer;
        const std::string report = Drive(computer)->GetReport();
        EXPECT_NE(report.find(c.why), std::string::npos) << c.why;
        EXPECT_EQ(report.find("Start/Stop Count"), std::string::npos) << c.why;
        EXPECT_EQ(report.find("Power-On Hours"), std::string::npos) << c.why;
    }
}

TEST_F(Reports, UpdateNeverRunsTheProgram) {
    TestTree tree("intel-laptop-1260p");
    auto runner = Runner(Status::Exited, 0, kAtaJson);
    ohm::Computer computer;
    ohm::IHardware* drive = Drive(computer);
    for (int pass = 0; pass < 3; ++pass)
        drive->Update();
    EXPECT_TRUE(runner->calls.empty());
}

TEST_F(Reports, MainboardManufacturerLine) {
    struct Case {
        const char* vendor; // nullptr: no DMI at all
        std::string expected;
    } cases[] = {
        {"ASUSTeK COMPUTER INC.", "ASUSTeK COMPUTER INC."},
        {"  LENOVO  ", "LENOVO"},
        {nullptr, "Unknown"},
    };
    for (const auto& c : cases) {
        TestTree tree;
        if (c.vendor)
            tree.Write("/sys/class/dmi/id/board_vendor", std::string(c.vendor) + "\n");
        ohm::Computer computer;
        computer.MainboardEnabled(true);
        computer.Open();
        const std::string report = computer.Hardware().at(0)->GetReport();
        EXPECT_EQ(Scan(report, "Mainboard Manufacturer:", 24, 99, '\r'), c.expected);
    }
}

TEST_F(Reports, FullReportCoversEveryItemAndSensor) {
    TestTree tree("amd-desktop-5800x");
    Runner(Status::NotFound, -1, "");
    ohm::Computer computer;
    computer.Open();
    computer.CPUEnabled(true);
    computer.GPUEnabled(true);
    computer.HDDEnabled(true);
    computer.MainboardEnabled(true);
    computer.RAMEnabled(true);
    for (auto* item : computer.Hardware())
        item->Update();
    const std::string report = computer.GetReport();
    for (auto* item : computer.Hardware()) {
        EXPECT_NE(report.find(item->Name()), std::string::npos);
        for (auto* sensor : item->Sensors())
            EXPECT_NE(report.find(sensor->Name()), std::string::npos) << sensor->Name();
    }
    EXPECT_NE(report.find("Operating System: Linux 6.1.0-18-amd64\r\n"), std::string::npos);
    EXPECT_NE(report.find("  CPU Tctl" + std::string(26, ' ') + "Temperature   45.5 C\r\n"),
              std::string::npos);
    EXPECT_NE(report.find("smartctl is not installed"), std::string::npos);
}
