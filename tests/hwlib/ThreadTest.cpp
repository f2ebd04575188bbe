#include <hwlib/Computer.h>
#include <hwlib/Environment.h>
#include <hwlib/ReadingText.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace ohm = OpenHardwareMonitor::Hardware;

namespace {

std::vector<std::string> Pass(ohm::Computer& computer) {
    std::vector<std::string> seen;
    for (ohm::IHardware* item : computer.Hardware()) {
        item->Update();
        for (const ohm::ISensor* sensor : item->Sensors())
            seen.push_back(item->Name() + "/" + sensor->Name() + "=" +
                           ohm::ReadingText(sensor->Value(), "."));
    }
    return seen;
}

class Unasked final : public ohm::IProgramRunner {
public:
    ohm::ProgramResult Run(const std::vector<std::string>&, std::chrono::milliseconds,
                           std::size_t) override {
        return {ohm::ProgramResult::Status::NotFound, -1, {}};
    }
};

// The build machine's own disks change while the tests run: fixed sizes
// instead, so that both threads read the same figures.
class FixedSpace final : public ohm::IFileSystemStats {
public:
    std::optional<ohm::FileSystemSpace> Space(const std::filesystem::path&,
                                              const std::string&) override {
        return ohm::FileSystemSpace{1000, 400, 300};
    }
};

} // namespace

// The collector's Computer and the report's, updated at the same moment on
// two threads, see the same items in the same order every pass.
TEST(Threads, TwoComputersUpdatedAtOnce) {
    ohm::SetRootDirectory(HWLIB_FIXTURES "/amd-desktop-5800x");
    ohm::SetProgramRunner(std::make_shared<Unasked>());
    ohm::SetFileSystemStats(std::make_shared<FixedSpace>());
    auto work = [](std::vector<std::string>& first, bool& stable, bool report) {
        ohm::Computer computer;
        computer.Open();
        computer.CPUEnabled(true);
        computer.FanControllerEnabled(true);
        computer.GPUEnabled(true);
        computer.HDDEnabled(true);
        computer.MainboardEnabled(true);
        computer.RAMEnabled(true);
        first = Pass(computer);
        stable = true;
        for (int pass = 0; pass < 50; ++pass) {
            stable = stable && Pass(computer).size() == first.size();
            if (report)
                stable = stable && !computer.GetReport().empty();
        }
    };
    std::vector<std::string> a, b;
    bool stableA = false, stableB = false;
    std::thread collector(work, std::ref(a), std::ref(stableA), false);
    std::thread ui(work, std::ref(b), std::ref(stableB), true);
    collector.join();
    ui.join();
    EXPECT_TRUE(stableA);
    EXPECT_TRUE(stableB);
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a, b);
    ohm::SetProgramRunner(nullptr);
    ohm::SetFileSystemStats(nullptr);
    ohm::SetRootDirectory("/");
}
