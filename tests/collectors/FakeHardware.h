#pragma once

// Hardware items and sensors made by a test, for the panel texts of items
// that no fixture machine has.

#include <hwlib/IHardware.h>
#include <hwlib/ISensor.h>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace collectors_test {

namespace ohm = OpenHardwareMonitor::Hardware;
using ohm::HardwareType;
using ohm::SensorType;

class FakeSensor final : public ohm::ISensor {
public:
    FakeSensor(std::string name, ohm::SensorType type, std::optional<float> value)
        : m_name(std::move(name)), m_type(type), m_value(value) {}
    const std::string& Name() const override { return m_name; }
    ohm::SensorType SensorType() const override { return m_type; }
    std::optional<float> Value() const override { return m_value; }

private:
    std::string m_name;
    ohm::SensorType m_type;
    std::optional<float> m_value;
};

struct SensorSpec {
    std::string name;
    SensorType type;
    std::optional<float> value;
};

class FakeItem final : public ohm::IHardware {
public:
    FakeItem(std::string name, ohm::HardwareType type, const std::vector<SensorSpec>& sensors,
             std::string report = {})
        : m_name(std::move(name)), m_type(type), m_report(std::move(report)) {
        for (const SensorSpec& s : sensors) {
            m_owned.push_back(std::make_unique<FakeSensor>(s.name, s.type, s.value));
            m_sensors.push_back(m_owned.back().get());
        }
    }
    void Update() override { ++updates; }
    const std::string& Name() const override { return m_name; }
    ohm::HardwareType HardwareType() const override { return m_type; }
    const std::vector<ohm::ISensor*>& Sensors() const override { return m_sensors; }
    std::string GetReport() override {
        ++reports;
        return m_report;
    }

    int updates = 0;
    int reports = 0;

private:
    std::string m_name;
    ohm::HardwareType m_type;
    std::string m_report;
    std::vector<std::unique_ptr<FakeSensor>> m_owned;
    std::vector<ohm::ISensor*> m_sensors;
};

} // namespace collectors_test
