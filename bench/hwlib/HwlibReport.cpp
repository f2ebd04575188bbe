// Prints the library's full report, read from "/" or from the root given as
// the only argument: a quick look at what the library sees on a machine.
#include <hwlib/Computer.h>
#include <hwlib/Environment.h>

#include <chrono>
#include <cstdio>
#include <thread>

int main(int argc, char** argv) {
    namespace ohm = OpenHardwareMonitor::Hardware;
    if (argc > 1)
        ohm::SetRootDirectory(argv[1]);
    ohm::Computer computer;
    computer.Open();
    computer.CPUEnabled(true);
    computer.FanControllerEnabled(true);
    computer.GPUEnabled(true);
    computer.HDDEnabled(true);
    computer.MainboardEnabled(true);
    computer.RAMEnabled(true);
    // Two updates a moment apart, so that the loads cover that moment
    // rather than the time since boot.
    for (int pass = 0; pass < 2; ++pass) {
        for (ohm::IHardware* item : computer.Hardware())
            item->Update();
        if (pass == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    const std::string report = computer.GetReport();
    std::fwrite(report.data(), 1, report.size(), stdout);
    return 0;
}
