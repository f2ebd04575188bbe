#include "Report.h"

#include <hwlib/ReadingText.h>

namespace hwlib {

void AppendLine(std::string& report, std::string_view line) {
    report.append(line).append("\r\n");
}

std::string PadColumn(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, width > 0 ? width - 1 : 0));
    out.resize(width, ' ');
    return out;
}

std::string_view TypeName(ohm::HardwareType type) {
    switch (type) {
    case ohm::HardwareType::Mainboard:
        return "Mainboard";
    case ohm::HardwareType::SuperIO:
        return "SuperIO";
    case ohm::HardwareType::Cpu:
        return "CPU";
    case ohm::HardwareType::Memory:
        return "Memory";
    case ohm::HardwareType::GpuFamilyA:
    case ohm::HardwareType::GpuFamilyB:
        return "GPU";
    case ohm::HardwareType::FanController:
        return "FanController";
    case ohm::HardwareType::Drive:
        return "Drive";
    }
    return "Unknown";
}

std::string_view TypeName(ohm::SensorType type) {
    switch (type) {
    case ohm::SensorType::Voltage:
        return "Voltage";
    case ohm::SensorType::Clock:
        return "Clock";
    case ohm::SensorType::Temperature:
        return "Temperature";
    case ohm::SensorType::Load:
        return "Load";
    case ohm::SensorType::Fan:
        return "Fan";
    case ohm::SensorType::Flow:
        return "Flow";
    case ohm::SensorType::Control:
        return "Control";
    case ohm::SensorType::Level:
        return "Level";
    case ohm::SensorType::Factor:
        return "Factor";
    case ohm::SensorType::Power:
        return "Power";
    case ohm::SensorType::Data:
        return "Data";
    case ohm::SensorType::SmallData:
        return "SmallData";
    }
    return "Unknown";
}

std::string_view UnitOf(ohm::SensorType type) {
    switch (type) {
    case ohm::SensorType::Voltage:
        return " V";
    case ohm::SensorType::Clock:
        return " MHz";
    case ohm::SensorType::Temperature:
        return " C";
    case ohm::SensorType::Load:
    case ohm::SensorType::Control:
    case ohm::SensorType::Level:
        return " %";
    case ohm::SensorType::Fan:
        return " RPM";
    case ohm::SensorType::Power:
        return " W";
    case ohm::SensorType::Data:
        return " GiB";
    case ohm::SensorType::SmallData:
        return " MiB";
    case ohm::SensorType::Flow:
    case ohm::SensorType::Factor:
        return "";
    }
    return "";
}

void AppendSensorTable(std::string& report, const ohm::IHardware& item) {
    if (item.Sensors().empty()) {
        AppendLine(report, "  (no sensors)");
        return;
    }
    AppendLine(report, "  " + PadColumn("Sensor", 34) + PadColumn("Type", 14) + "Value");
    for (const ohm::ISensor* sensor : item.Sensors()) {
        std::string value = ohm::ReadingText(sensor->Value(), ".");
        value = value.empty() ? "(no value)" : value + std::string(UnitOf(sensor->SensorType()));
        AppendLine(report, "  " + PadColumn(Printable(sensor->Name()), 34) +
                               PadColumn(TypeName(sensor->SensorType()), 14) + value);
    }
}

std::string Printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    }
    return out;
}

} // namespace hwlib
