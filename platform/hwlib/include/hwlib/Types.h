#pragma once

namespace OpenHardwareMonitor::Hardware {

// The numbers are part of the interface: callers dispatch on them.
enum class HardwareType {
    Mainboard = 0,
    SuperIO = 1,
    Cpu = 2,
    Memory = 3,
    // Two graphics driver families; callers treat both alike.
    GpuFamilyA = 4,
    GpuFamilyB = 5,
    FanController = 6,
    Drive = 8,
};

enum class SensorType {
    Voltage = 0,     // V
    Clock = 1,       // MHz
    Temperature = 2, // degrees Celsius
    Load = 3,        // percent
    Fan = 4,         // RPM
    Flow = 5,
    Control = 6, // percent
    Level = 7,   // percent
    Factor = 8,
    Power = 9,      // W
    Data = 10,      // GiB
    SmallData = 11, // MiB
};

} // namespace OpenHardwareMonitor::Hardware
