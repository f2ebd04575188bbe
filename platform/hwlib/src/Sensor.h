#pragma once

#include <hwlib/ISensor.h>

namespace hwlib {

namespace ohm = OpenHardwareMonitor::Hardware;

class Sensor final : public ohm::ISensor {
public:
    Sensor(std::string name, ohm::SensorType type) : m_name(std::move(name)), m_type(type) {}

    const std::string& Name() const override { return m_name; }
    ohm::SensorType SensorType() const override { return m_type; }
    std::optional<float> Value() const override { return m_value; }

    void SetValue(std::optional<float> value) { m_value = value; }

private:
    std::string m_name;
    ohm::SensorType m_type;
    std::optional<float> m_value;
};

} // namespace hwlib
