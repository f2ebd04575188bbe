#pragma once

#include <hwlib/Export.h>
#include <hwlib/ISensor.h>
#include <hwlib/Types.h>

#include <string>
#include <vector>

namespace OpenHardwareMonitor::Hardware {

// One hardware item. Its sensors are fixed when the item is made, so their
// order is the same from pass to pass; Update refreshes their values.
class HWLIB_API IHardware {
public:
    virtual ~IHardware() = default;

    virtual void Update() = 0;
    virtual const std::string& Name() const = 0;
    virtual Hardware::HardwareType HardwareType() const = 0;
    virtual const std::vector<ISensor*>& Sensors() const = 0;
    // Lines end in "\r\n". A drive's report may run an outside program and
    // take seconds; everything else is read from files.
    virtual std::string GetReport() = 0;
};

} // namespace OpenHardwareMonitor::Hardware
