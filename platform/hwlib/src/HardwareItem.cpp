#include "HardwareItem.h"

#include <algorithm>

namespace hwlib {

Sensor& HardwareItem::AddSensor(std::string name, ohm::SensorType type) {
    m_sensors.push_back(std::make_unique<Sensor>(std::move(name), type));
    m_view.push_back(m_sensors.back().get());
    return *m_sensors.back();
}

bool HardwareItem::HasSensorNamed(const std::string& name) const {
    return std::any_of(m_sensors.begin(), m_sensors.end(),
                       [&](const auto& sensor) { return sensor->Name() == name; });
}

} // namespace hwlib
