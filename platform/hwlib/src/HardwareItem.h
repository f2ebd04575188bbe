#pragma once

#include "Sensor.h"

#include <hwlib/IHardware.h>

#include <memory>
#include <string>
#include <vector>

namespace hwlib {

// What every item shares: its name, type and the sensors it owns.
class HardwareItem : public ohm::IHardware {
public:
    HardwareItem(std::string name, ohm::HardwareType type)
        : m_name(std::move(name)), m_type(type) {}

    const std::string& Name() const override { return m_name; }
    ohm::HardwareType HardwareType() const override { return m_type; }
    const std::vector<ohm::ISensor*>& Sensors() const override { return m_view; }

protected:
    Sensor& AddSensor(std::string name, ohm::SensorType type);
    bool HasSensorNamed(const std::string& name) const;

private:
    std::string m_name;
    ohm::HardwareType m_type;
    std::vector<std::unique_ptr<Sensor>> m_sensors;
    std::vector<ohm::ISensor*> m_view;
};

} // namespace hwlib
