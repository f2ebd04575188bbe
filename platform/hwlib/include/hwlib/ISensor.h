#pragma once

#include <hwlib/Export.h>
#include <hwlib/Types.h>

#include <optional>
#include <string>

namespace OpenHardwareMonitor::Hardware {

class HWLIB_API ISensor {
public:
    virtual ~ISensor() = default;

    // UTF-8.
    virtual const std::string& Name() const = 0;
    virtual Hardware::SensorType SensorType() const = 0;
    // Empty when the source could not be read: never a made-up number.
    virtual std::optional<float> Value() const = 0;
};

} // namespace OpenHardwareMonitor::Hardware
