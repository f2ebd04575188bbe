#pragma once

#include <hwlib/Export.h>
#include <hwlib/IHardware.h>

#include <memory>
#include <string>
#include <vector>

namespace OpenHardwareMonitor::Hardware {

// The root of the object model. A Computer and its items are used by one
// thread at a time; several Computers may live and update on different
// threads at once, they share nothing.
class HWLIB_API Computer {
public:
    Computer();
    ~Computer();
    Computer(const Computer&) = delete;
    Computer& operator=(const Computer&) = delete;

    // Builds the items of the enabled groups. A group enabled later, while
    // open, adds its items then; a disabled one drops them.
    void Open();
    void Close();

    void CPUEnabled(bool enabled);
    bool CPUEnabled() const;
    // No fan controllers are known on this platform: the flag adds no item.
    void FanControllerEnabled(bool enabled);
    bool FanControllerEnabled() const;
    void GPUEnabled(bool enabled);
    bool GPUEnabled() const;
    void HDDEnabled(bool enabled);
    bool HDDEnabled() const;
    void MainboardEnabled(bool enabled);
    bool MainboardEnabled() const;
    void RAMEnabled(bool enabled);
    bool RAMEnabled() const;

    // The top-level items of the enabled groups, in a fixed order: mainboard,
    // processors, memory, graphics, drives. A pointer stays valid while the
    // Computer is open and the item's group enabled.
    std::vector<IHardware*> Hardware() const;

    // Every item and its sensors, lines ending in "\r\n".
    std::string GetReport();

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace OpenHardwareMonitor::Hardware
